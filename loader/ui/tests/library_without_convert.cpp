// A stand-in conversion library that exports get_version but not convert_d, so the load
// flow's "procedure missing" path runs against a real dynamic loader.
extern "C" __attribute__((visibility("default"))) void get_version(int* first, int* second, int* third)
{
    *first = 2;
    *second = 2;
    *third = 101;
}
