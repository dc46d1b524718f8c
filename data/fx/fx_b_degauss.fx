Emitter
EmitInterval 0.15
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 3
UseCycle 1
SingleEmit 1
PartLifeTime 0.6
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 20 0 170 1
PartColor 2 0.5 0.8 1 0.9 0 0.3 0.5 1 0 1
PartMass 1 1 0
Texture ring.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 30
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
EmitterType 2
Radius 90
PartLifeTime 0.8
PartRandomness 40
Velocity 0
SpinOverLife 2 0 0 1 1
SizeOverLife 2 6 0 1 1
PartColor 2 0.8 0.95 1 1 0 0.3 0.6 1 0 1
PartMass 1 1 0
Texture spark.png
