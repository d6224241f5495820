#pragma once
// The texts of the program's string table (UTF-8), for code that runs without
// the resource script: the same texts the windows load.

// The text of string `id`; "" when the table has none.
const char* programText(int id);
