Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.3
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 30 0 110 1
PartColor 2 1 0.7 0.3 0.9 0 1 0.7 0.3 0 1
PartMass 1 1 0
Texture halo.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 30
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 0.7
PartRandomness 30
VelocityDir 1 0
Velocity 320
VelocityVariation 40
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.5 1
SpinVariation 100
SizeOverLife 2 10 0 2 1
SizeVariation 30
PartColor 3 1 0.75 0.55 1 0 1 0.5 0.1 0.9 0.3 1 0.5 0.1 0 1
PartMass 1 1 0
Texture flame.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 8
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 1
PartRandomness 40
Force 0 -20
VelocityDir 1 0
Velocity 60
VelocityVariation 50
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.3 1
SpinVariation 100
SizeOverLife 2 8 0 28 1
SizeVariation 30
PartColor 2 0.45 0.42 0.4 0.5 0 0.45 0.42 0.4 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture smoke.png
