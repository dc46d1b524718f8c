Emitter ShiftX 99999999999 Emitter
