Emitter
EmitInterval 0.02
ParticlesPerEmit 2
ScatterAngle 30 0
PartLifeTime 0.35
PartRandomness 30
VelocityDir -0.25 1
Velocity 160
VelocityVariation 30
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinVariation 100
SizeOverLife 2 8 0 2 1
PartColor 3 1 0.95 0.6 1 0 1 0.5 0.1 0.8 0.4 0.6 0.1 0 0 1
PartMass 1 1 0
Texture flame.png

Emitter
EmitInterval 0.06
ParticlesPerEmit 1
ScatterAngle 40 0
PartLifeTime 0.9
PartRandomness 30
VelocityDir -0.3 1
Velocity 50
SpinOverLife 2 0 0 0.3 1
SizeOverLife 2 6 0 20 1
PartColor 2 0.5 0.5 0.5 0.4 0 0.5 0.5 0.5 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture smoke.png
