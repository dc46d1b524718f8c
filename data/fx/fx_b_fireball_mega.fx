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
SizeOverLife 2 30 0 110 1
PartColor 2 0.8 0.5 1 0.9 0 0.8 0.5 1 0 1
PartMass 1 1 0
Texture halo.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 32
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 0.7
PartRandomness 30
VelocityDir 1 0
Velocity 300
VelocityVariation 40
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.5 1
SpinVariation 100
SizeOverLife 2 10 0 2 1
SizeVariation 30
PartColor 3 0.875 0.7 1 1 0 0.75 0.4 1 0.9 0.3 0.75 0.4 1 0 1
PartMass 1 1 0
Texture flame.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.4
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 20 0 120 1
PartColor 2 0.9 0.7 1 0.9 0 0.9 0.7 1 0 1
PartMass 1 1 0
Texture ring.png
