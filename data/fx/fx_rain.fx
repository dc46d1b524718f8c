Emitter
EmitInterval 0.04
ParticlesPerEmit 2
ScatterAngle 6 0
EmitterType 1
Point 800 0
PartLifeTime 3
PartRandomness 20
Force 0 60
ShiftY -10
VelocityDir 0 1
Velocity 120
VelocityVariation 40
SpinOverLife 2 0 0 2 1
SizeOverLife 2 5 0 4 1
SizeVariation 40
PartColor 3 1 0.9 0.5 1 0 1 0.8 0.3 1 0.8 1 0.7 0.2 0 1
PartMass 1 1 0
Texture star.png
