Emitter ScatterAngle 3e38 -3e38 PartLifeTime 1
