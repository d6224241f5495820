#include "package/details/known_uids.h"

namespace {

struct Platform {
    uint32_t uid;
    const char* name;
};

// Sources:
// [A] "Platform UID", S60 5th Edition SDK documentation (Nokia),
//     http://nnm.nnchan.ru/docs/cdl/com.nokia.s60.sdk.cdl_5.0_1.0.0/GUID-FBA816FE-E188-4A40-9B9B-D47F7D3390AE.html
// [B] FAQ-1045 "What are the Product IDs that I need to specify in my .PKG file for
//     installation onto devices", Symbian OS Library,
//     https://docs.huihoo.com/symbian/s60-5th-edition-cpp-developers-library-v2.1/GUID-35228542-8C95-4849-A73F-2B4F082F0C44/sdk/doc_source/faqSDK/faq_1045.html
const Platform kPlatforms[] = {
    {0x1028315F, "S60 5th Edition"},                 // [A]
    {0x102752AE, "S60 3rd Edition, Feature Pack 2"}, // [A]
    {0x102032BE, "S60 3rd Edition, Feature Pack 1"}, // [A]
    {0x101F7961, "S60 3rd Edition"},                 // [A], [B]
    {0x102032BF, "S60 2nd Edition, Feature Pack 3"}, // [A]
    {0x102032BD, "S60 2nd Edition, Feature Pack 3"}, // [B]
    {0x10200BAB, "S60 2nd Edition, Feature Pack 2"}, // [A], [B]
    {0x101F9115, "S60 2nd Edition, Feature Pack 1"}, // [A], [B]
    {0x101F7960, "S60 2nd Edition"},                 // [A], [B]
    {0x101F8202, "Series 60 1.2"},                   // [B]
    {0x101F8201, "Series 60 1.1"},                   // [B]
    {0x101F795F, "Series 60 1.0"},                   // [B]
    {0x101F6F88, "Series 60 0.9 (S60 1st Edition)"}, // [A], [B]
    {0x101F617B, "UIQ 2.0"},                         // [B]
    {0x101F61CE, "UIQ 2.1"},                         // [B]
    {0x101F8ED2, "Series 80 2.0"},                   // [B]
    {0x101FBE05, "Series 90 1.1"},                   // [B]
    {0x101FBE06, "Series 90 1.1, China Edition"},    // [B]
    {0x10272F37, "Samsung Series 60 2.1 phones"},    // [B]
    {0x101F80BE, "Sony Ericsson P80x"},              // [B]
    {0x101FBB35, "Sony Ericsson P9xx"},              // [B]
    {0x101FD279, "BenQ P30"},                        // [B]
    {0x101FA031, "Sendo X"},                         // [B]
    {0x101F6F87, "Nokia 7650"},                      // [B]
    {0x101F7962, "Nokia 3650"},                      // [B]
    {0x101F8A64, "Nokia N-Gage"},                    // [B]
    {0x101FB2B1, "Nokia N-Gage QD"},                 // [B]
    {0x101FB3F4, "Nokia 6260"},                      // [B]
    {0x101F7963, "Nokia 6600"},                      // [B]
};

struct Root {
    const char* inSubject;
    const char* name;
};

// Sources:
// [C] FAQ-1230 "What are the various root certificates used for Symbian Signed?",
//     Symbian OS Library,
//     https://docs.huihoo.com/symbian/s60-5th-edition-cpp-developers-library-v2.1/GUID-35228542-8C95-4849-A73F-2B4F082F0C44/sdk/doc_source/faqSDK/faq_1230.html
// [D] "Appendix B: Supported root certificates", Nokia Java Developer's Library,
//     http://nnm.nnchan.ru/docs/jdl/Java_Developers_Library_3.11.0/GUID-4C94F99F-B77E-4AFC-B6DD-BD5509E28E39.html
const Root kRoots[] = {
    {"CN=Symbian CA", "Symbian Signed root (Symbian)"}, // [C]
    {"O=Symbian Software", "Symbian root (Symbian)"},   // [C]
    {"O=UTI", "UTI root (Symbian Signed)"},             // [D]
    {"O=VeriSign", "VeriSign root (ACS Publisher ID)"}, // [C], [D]
    {"O=Thawte", "Thawte root"},                        // [D]
    {"O=Nokia", "Nokia root (phone maker)"},            // [D]
};

} // namespace

const char* platformName(uint32_t uid) {
    for (const Platform& p : kPlatforms) {
        if (p.uid == uid) {
            return p.name;
        }
    }
    return "";
}

const char* wellKnownRoot(const std::string& subject) {
    for (const Root& r : kRoots) {
        if (subject.find(r.inSubject) != std::string::npos) {
            return r.name;
        }
    }
    return "";
}

// Ranges as Symbian OS 9 allocates UIDs: "Application UIDs", S60 3rd Edition C++
// Developer's Library,
// https://cortex.p.gen.nz/nokia/symbian/S60%203rd%20Edition%20C%2B%2B%20Developer%27s%20Library%20v1.1/GUID-EA05F9B6-52C7-4BD9-8B9A-4BA3456E70B5.html
std::string uidRangeText(uint32_t uid) {
    if (isProtectedUid(uid)) {
        return "protected range 0x00000000-0x7FFFFFFF";
    }
    if (uid >= 0xA0000000u && uid <= 0xAFFFFFFFu) {
        return "unprotected, self-signed range 0xA0000000-0xAFFFFFFF";
    }
    if (uid >= 0xE0000000u && uid <= 0xEFFFFFFFu) {
        return "unprotected, test range 0xE0000000-0xEFFFFFFF";
    }
    return "unprotected range 0x80000000 and above";
}
