Emitter Radius 1e400
