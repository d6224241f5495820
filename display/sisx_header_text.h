#pragma once
// The header panel's texts now live with the package, where the command line
// shares them; this name stays for the code that still includes it here.
#include "package/texts/sisx_header_text.h"
