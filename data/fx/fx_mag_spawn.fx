Emitter
EmitInterval 0.04
ParticlesPerEmit 40
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
EmitterType 2
Radius 130
PartLifeTime 0.7
PartRandomness 40
Velocity 0
SpinOverLife 2 0 0 1 1
SizeOverLife 3 1 0 7 0.5 1 1
PartColor 3 0.6 0.95 1 0 0 0.8 1 1 1 0.4 0.3 0.7 1 0 1
PartMass 1 1 0
Texture spark.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.5
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 140 0 20 1
PartColor 2 0.6 0.95 1 0.9 0 0.6 0.95 1 0 1
PartMass 1 1 0
Texture ring.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.5
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 10 0 90 1
PartColor 2 0.6 0.9 1 0.9 0 0.6 0.9 1 0 1
PartMass 1 1 0
Texture halo.png
