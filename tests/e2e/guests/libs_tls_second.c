/* A second library's block beside the first's. */
__thread long long second_tls = 0x1122334455667788LL;
__thread short second_tls_zero __attribute__((aligned(16)));

long long second_tls_get(void) { return second_tls + second_tls_zero; }
void second_tls_set(short v) { second_tls_zero = v; }
