// Compiled only to build the window tests' precompiled headers once.
