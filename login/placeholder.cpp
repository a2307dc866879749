namespace quillon { int version() { return 1; } }
