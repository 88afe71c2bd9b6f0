/* A small program whose differently-signed copies the signature tests use. */
int main(void) { return 0; }
