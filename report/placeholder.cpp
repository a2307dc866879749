namespace parvel { int version() { return 1; } }
