// Filled in with the reference song service.
