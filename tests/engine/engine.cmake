# The engine's step sequence, its interface and start-up's use of it.
