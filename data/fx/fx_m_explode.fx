Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.25
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 15 0 60 1
PartColor 2 1 0.9 0.6 0.9 0 1 0.9 0.6 0 1
PartMass 1 1 0
Texture halo.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 16
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 0.55
PartRandomness 30
VelocityDir 1 0
Velocity 180
VelocityVariation 40
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.5 1
SpinVariation 100
SizeOverLife 2 6 0 1 1
SizeVariation 30
PartColor 3 1 0.9 0.675 1 0 1 0.8 0.35 0.9 0.3 1 0.8 0.35 0 1
PartMass 1 1 0
Texture shard.png

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
SizeOverLife 2 8 0 50 1
PartColor 2 1 0.9 0.6 0.9 0 1 0.9 0.6 0 1
PartMass 1 1 0
Texture ring.png
