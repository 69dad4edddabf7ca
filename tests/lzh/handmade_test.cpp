#include "tests/lzh/lzh_support.h"
