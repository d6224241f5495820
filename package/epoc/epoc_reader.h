#pragma once
// Reading a package of the older format into its contents: the language codes,
// one entry per file record that has a list line, and the files an extraction
// writes, in record order. The record stream is walked once, here.
#include "package/epoc/format.h"
#include "package/io/byte_source.h"
#include "package/model/contents.h"

Contents readEpocContents(const ByteSource& package, const PackageHeader& header);
