Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.35
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 40 0 150 1
PartColor 2 0.9 0.7 1 0.9 0 0.9 0.7 1 0 1
PartMass 1 1 0
Texture halo.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 40
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 0.8
PartRandomness 30
VelocityDir 1 0
Velocity 380
VelocityVariation 40
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.5 1
SpinVariation 100
SizeOverLife 2 12 0 2 1
SizeVariation 30
PartColor 3 0.85 0.7 1 1 0 0.7 0.4 1 0.9 0.3 0.7 0.4 1 0 1
PartMass 1 1 0
Texture flame.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.45
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 20 0 180 1
PartColor 2 0.9 0.7 1 0.9 0 0.9 0.7 1 0 1
PartMass 1 1 0
Texture ring.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 10
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
PartColor 2 0.3 0.2 0.4 0.5 0 0.3 0.2 0.4 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture smoke.png
