// Import/export marker for the framework's entry points.
#pragma once

#if defined(_WIN32)
#if defined(VELKOR_BUILDING_FRAMEWORK)
#define VELKOR_API __declspec(dllexport)
#else
#define VELKOR_API __declspec(dllimport)
#endif
#else
#define VELKOR_API __attribute__((visibility("default")))
#endif
