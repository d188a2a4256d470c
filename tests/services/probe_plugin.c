/* A tiny shared library the registry tests load by its Windows-style name. */
__attribute__((visibility("default"))) int ProbeAnswer(void) { return 42; }
