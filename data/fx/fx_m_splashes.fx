Emitter
EmitInterval 0.04
ParticlesPerEmit 2
CycleInterval 1
EmitsPerCycle 12
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
EmitterType 2
Radius 30
PartLifeTime 0.6
PartRandomness 40
VelocityDir 1 0
Velocity 120
VelocityVariation 50
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SizeOverLife 2 4 0 1 1
PartColor 2 1 1 1 1 0 1 0.8 0.3 0 1
PartMass 1 1 0
Texture star.png
