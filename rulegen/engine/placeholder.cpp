// placeholder until the engine lands
namespace tessaly { int engineVersion() { return 1; } }
