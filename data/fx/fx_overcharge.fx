Emitter
EmitInterval 0.03
ParticlesPerEmit 3
ScatterAngle 120 0
PartLifeTime 0.4
PartRandomness 40
Force 0 500
VelocityDir -0.87 -0.5
Velocity 220
VelocityVariation 40
SizeOverLife 2 5 0 1 1
PartColor 2 1 1 0.8 1 0 1 0.4 0.1 0 1
PartMass 1 1 0
Texture spark.png

Emitter
EmitInterval 0.08
ParticlesPerEmit 1
ScatterAngle 60 0
PartLifeTime 0.9
VelocityDir -0.5 -0.87
Velocity 60
SpinOverLife 2 0 0 0.3 1
SizeOverLife 2 8 0 26 1
PartColor 2 0.4 0.4 0.4 0.5 0 0.4 0.4 0.4 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture smoke.png
