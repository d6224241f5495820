#pragma once
// Names for what packages point at by number: platforms and phones they target,
// and the roots their certificates chain to.
#include <cstdint>
#include <string>

// The platform or phone of a target device UID; "" for one not in the table.
const char* platformName(uint32_t uid);

// The well-known signing root a certificate's subject names; "" for others.
const char* wellKnownRoot(const std::string& subject);

// Where a package UID lies among Symbian OS 9's UID ranges.
std::string uidRangeText(uint32_t uid);
// Whether only a trusted signature may use `uid` (as a package UID or secure ID).
inline bool isProtectedUid(uint32_t uid) {
    return uid < 0x80000000u;
}
