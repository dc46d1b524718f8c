Emitter PartLifeTime 3e38 Velocity 3e38 VelocityVariation 2147483647 Force 3e38 3e38
