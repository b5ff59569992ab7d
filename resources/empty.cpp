// Keeps the resource library non-empty until it has images.
