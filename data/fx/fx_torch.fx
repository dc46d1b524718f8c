Emitter
EmitInterval 0.03
ParticlesPerEmit 1
ScatterAngle 20 0
PartLifeTime 0.6
PartRandomness 40
VelocityDir -0.17 -1
Velocity 45
VelocityVariation 40
MotionOverLife 1 0.5 0
MotionVariation 50
SpinOverLife 2 0 0 0.4 1
SizeOverLife 3 10 0 8 0.5 2 1
SizeVariation 25
PartColor 3 1 0.95 0.7 0.9 0 1 0.6 0.15 0.8 0.35 0.6 0.1 0 0 1
PartMass 1 1 0
Texture flame.png

Emitter
EmitInterval 0.2
ParticlesPerEmit 1
PartLifeTime 0.45
PartRandomness 20
ShiftY -8
Velocity 0
SpinVariation 0
SizeOverLife 2 40 0 44 1
PartColor 3 1 0.6 0.2 0.25 0 1 0.6 0.2 0.3 0.5 1 0.6 0.2 0 1
PartMass 1 1 0
Texture halo.png

Emitter
EmitInterval 0.15
ParticlesPerEmit 1
ScatterAngle 20 0
PartLifeTime 1.2
ShiftY -14
VelocityDir -0.17 -1
Velocity 40
SizeOverLife 2 5 0 16 1
PartColor 2 0.3 0.3 0.3 0.35 0 0.3 0.3 0.3 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture smoke.png
