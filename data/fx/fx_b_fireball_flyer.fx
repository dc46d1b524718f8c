Emitter
EmitInterval 0.03
ParticlesPerEmit 2
ScatterAngle 360 0
PartLifeTime 0.45
PartRandomness 30
Force 0 -120
VelocityDir 1 0
Velocity 30
VelocityVariation 60
SpinOverLife 2 0 0 0.5 1
SizeOverLife 2 14 0 2.8 1
SizeVariation 20
PartColor 3 1 1 0.8 0.9 0 1 0.55 0.1 0.8 0.3 0.5 0.1 0 0 1
PartMass 1 1 0
Texture flame.png
