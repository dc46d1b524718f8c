Emitter
EmitInterval 0.25
ParticlesPerEmit 1
ScatterAngle 360 0
PartLifeTime 0.55
PartRandomness 30
VelocityDir 1 0
Velocity 12
VelocityVariation 50
SpinVariation 0
SizeOverLife 3 2 0 5 0.3 1 1
PartColor 3 1 1 1 0 0 1 1 1 0.8 0.3 1 1 1 0 1
PartMass 1 1 0
ReColor 1
Texture dot.png
