// Under ThreadSanitizer, in every program that uses the test GL context:
// Mesa's llvmpipe destroys a fence's mutex on the host's thread right after
// its rasterizer thread unlocked it, through
// synchronisation TSan cannot see inside the uninstrumented driver. Reports
// whose stacks run through the driver are passed over; every race in our own
// code still fails the test.
// The runtime looks the hook up by name, so it must be exported.
#ifndef _WIN32
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
  return "race:swrast_dri.so\n";
}
#endif
