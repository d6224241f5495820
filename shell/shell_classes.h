#pragma once
// The COM classes of vorandeck-shell.dll, as installer/vorandeck.wxs registers them.
#include <windows.h>

// {92420AD3-0137-4A23-8B77-7F5ED36A9238}
constexpr CLSID kPreviewHandlerClass = {
    0x92420ad3, 0x0137, 0x4a23, {0x8b, 0x77, 0x7f, 0x5e, 0xd3, 0x6a, 0x92, 0x38}};
// {EA97FEE6-6BCC-464C-94CE-898E2E6EAA59}
constexpr CLSID kPropertyHandlerClass = {
    0xea97fee6, 0x6bcc, 0x464c, {0x94, 0xce, 0x89, 0x8e, 0x2e, 0x6e, 0xaa, 0x59}};
