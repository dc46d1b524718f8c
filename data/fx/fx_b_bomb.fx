Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.3
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 40 0 150 1
PartColor 2 1 0.85 0.5 0.9 0 1 0.85 0.5 0 1
PartMass 1 1 0
Texture halo.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 40
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 0.8
PartRandomness 30
VelocityDir 1 0
Velocity 420
VelocityVariation 40
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.5 1
SpinVariation 100
SizeOverLife 2 10 0 2 1
SizeVariation 30
PartColor 3 1 0.8 0.6 1 0 1 0.6 0.2 0.9 0.3 1 0.6 0.2 0 1
PartMass 1 1 0
Texture spark.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 1
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
PartLifeTime 0.45
PartRandomness 0
Velocity 0
SpinVariation 0
SizeOverLife 2 20 0 160 1
PartColor 2 1 0.8 0.4 0.9 0 1 0.8 0.4 0 1
PartMass 1 1 0
Texture ring.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 14
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 1.4
PartRandomness 40
Force 0 -20
VelocityDir 1 0
Velocity 120
VelocityVariation 50
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.3 1
SpinVariation 100
SizeOverLife 2 8 0 28 1
SizeVariation 30
PartColor 2 0.45 0.42 0.4 0.5 0 0.45 0.42 0.4 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture smoke.png

Emitter
EmitInterval 0.04
ParticlesPerEmit 16
CycleInterval 1
EmitsPerCycle 1
UseCycle 1
SingleEmit 1
ScatterAngle 360 0
PartLifeTime 1
PartRandomness 30
Force 0 400
VelocityDir 1 0
Velocity 300
VelocityVariation 40
VelocityOverLife 3 1 0 0.35 0.4 0.05 1
SpinOverLife 2 0 0 0.5 1
SpinVariation 100
SizeOverLife 2 5 0 3 1
SizeVariation 30
PartColor 3 0.65 0.625 0.6 1 0 0.3 0.25 0.2 0.9 0.3 0.3 0.25 0.2 0 1
PartMass 1 1 0
IsUseDarkShading 1
Texture rock.png
