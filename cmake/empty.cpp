// Keeps libraries that have no sources of their own yet buildable.
