Emitter
EmitInterval 0.03
ParticlesPerEmit 2
ScatterAngle 360 0
PartLifeTime 0.15
PartRandomness 40
VelocityDir 1 0
Velocity 20
SpinVariation 100
SizeOverLife 2 22 0 15.4 1
PartColor 2 1 1 1 1 0 0.8 0.5 1 0 1
PartMass 1 1 0
Texture bolt.png

Emitter
EmitInterval 0.03
ParticlesPerEmit 3
ScatterAngle 360 0
PartLifeTime 0.35
VelocityDir 1 0
Velocity 80
SizeOverLife 2 5 0 1 1
PartColor 2 1 1 1 1 0 0.8 0.5 1 0 1
PartMass 1 1 0
Texture spark.png
