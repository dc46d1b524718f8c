Emitter
EmitInterval 0.03
ParticlesPerEmit 1
ScatterAngle 360 0
PartLifeTime 0.15
PartRandomness 40
VelocityDir 1 0
Velocity 20
SpinVariation 100
SizeOverLife 2 16 0 11.2 1
PartColor 2 1 1 1 1 0 0.5 0.7 1 0 1
PartMass 1 1 0
Texture bolt.png

Emitter
EmitInterval 0.03
ParticlesPerEmit 2
ScatterAngle 360 0
PartLifeTime 0.3
VelocityDir 1 0
Velocity 60
SizeOverLife 2 4 0 1 1
PartColor 2 1 1 1 1 0 0.5 0.7 1 0 1
PartMass 1 1 0
Texture spark.png
