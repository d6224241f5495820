#pragma once
// The time certificates are judged against: now, or the seconds since 1970
// that VORANDECK_NOW gives, so that runs can be compared.
#include <cstdint>

int64_t nowSeconds();
