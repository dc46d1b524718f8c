Emitter
EmitInterval 0.06
ParticlesPerEmit 1
EmitterType 2
Radius 40
PartLifeTime 0.9
PartRandomness 30
Velocity 0
SpinOverLife 2 0 0 1 1
SizeOverLife 3 1 0 6 0.4 1 1
PartColor 3 1 0.85 0.45 0 0 1 0.85 0.45 0.9 0.4 1 0.85 0.45 0 1
PartMass 1 1 0
Texture spark.png
