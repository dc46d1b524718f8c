Emitter ParticlesPerEmit 2147483647 BurstSize 2 PartLifeTime 5
