// Filled in as this layer gets its code.
