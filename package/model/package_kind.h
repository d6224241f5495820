#pragma once
// Which of the formats this program reads a package is in.

enum class PackageKind {
    Epoc,     // the older format: word 2 is 0x10000419
    Sisx,     // Symbian OS 9: word 0 is 0x10201A7A
    SisxStub, // a Symbian OS 9 controller alone, as phones keep for installed packages
};
