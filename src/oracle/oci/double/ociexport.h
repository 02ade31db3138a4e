#pragma once
// Marks a function that the double exports under its C name.
#if defined(_WIN32)
#define OCI_EXPORT extern "C" __declspec(dllexport)
#else
#define OCI_EXPORT extern "C" __attribute__((visibility("default")))
#endif
