Emitter
EmitInterval 0.04
ParticlesPerEmit 3
CycleInterval 1
EmitsPerCycle 25
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
EmitterType 2
Radius 60
PartLifeTime 0.8
PartRandomness 40
VelocityDir 1 0
Velocity 200
VelocityVariation 50
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 1 1
SizeOverLife 2 6 0 1 1
PartColor 3 1 1 1 1 0 0.6 0.9 1 0.8 0.5 0.3 0.5 1 0 1
PartMass 1 1 0
Texture star.png
