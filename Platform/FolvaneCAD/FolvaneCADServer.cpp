// The CAD application stand-in is being written.
