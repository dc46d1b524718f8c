Emitter
EmitInterval 0.05
ParticlesPerEmit 3
CycleInterval 2
EmitsPerCycle 20
UseCycle 1
SingleEmit 1
ScatterAngle 20 0
EmitterType 1
Point 800 0
PartLifeTime 1.6
PartRandomness 20
Force 0 600
ShiftY 30
VelocityDir 0 1
Velocity 80
VelocityVariation 50
SpinOverLife 2 0 0 1.5 1
SizeOverLife 2 10 0 10 1
SizeVariation 50
PartColor 3 0.75 0.7 0.65 1 0 0.75 0.7 0.65 1 0.85 0.75 0.7 0.65 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture rock.png

Emitter
EmitInterval 0.05
ParticlesPerEmit 2
CycleInterval 2
EmitsPerCycle 20
UseCycle 1
SingleEmit 1
ScatterAngle 30 0
EmitterType 1
Point 800 0
PartLifeTime 1.5
PartRandomness 30
ShiftY 50
VelocityDir 0 1
Velocity 40
SpinOverLife 2 0 0 0.3 1
SizeOverLife 2 15 0 45 1
PartColor 2 0.55 0.5 0.45 0.5 0 0.55 0.5 0.45 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture smoke.png
