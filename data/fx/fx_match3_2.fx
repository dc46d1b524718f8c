Emitter
EmitInterval 0.04
ParticlesPerEmit 14
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 0.6
PartRandomness 30
VelocityDir 1 0
Velocity 220
VelocityVariation 40
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.5 1
SpinVariation 100
SizeOverLife 2 7 0 2 1
SizeVariation 30
PartColor 3 0.537 0.91 0.524 1 0 0.075 0.82 0.047 0.9 0.3 0.075 0.82 0.047 0 1
PartMass 1 1 0
Texture spark.png

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
SizeOverLife 2 6 0 40 1
PartColor 2 0.445 0.892 0.428 0.9 0 0.445 0.892 0.428 0 1
PartMass 1 1 0
Texture ring.png
