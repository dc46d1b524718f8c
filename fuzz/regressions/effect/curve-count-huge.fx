Emitter SizeOverLife 2000000000 1 0
