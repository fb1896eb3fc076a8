// placeholder, filled in by its owner
