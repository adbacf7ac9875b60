// Translation unit for a library folder that has no sources of its own yet.
