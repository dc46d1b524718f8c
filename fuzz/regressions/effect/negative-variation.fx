Emitter PartRandomness -2147483648 SizeVariation -5
