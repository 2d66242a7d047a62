// A library without resources that exports one function.
extern "C" __attribute__((visibility("default"))) int QuenvarTestAnswer() { return 42; }
