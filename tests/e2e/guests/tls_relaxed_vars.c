/* The thread-local variables tls_relaxed.c reaches. */
__thread int count = 5;
__thread char text[32] = "hello";
__thread int table[64];
__thread long long wide = -7;
__thread struct pair { short id; double weight; } pairs[8] = {{1, 0.5}, {2, 1.5}};
