namespace ostrel { int coreVersion() { return 1; } }
