#pragma once
// What the two formats' printers share: the lines of a .pkg as they are
// written, the comments at the top, and the conditions in the .pkg's syntax.
#include <string>
#include <vector>

#include "package/epoc/epoc_reader.h"
#include "package/sisx/sisx_controller.h"
#include "package/source/package_source.h"

class SourceLines {
  public:
    void line(const std::string& text) { text_ += indent_ + text + "\n"; }
    void comment(const std::string& text) { line("; " + text); }
    // A line that makesis is not to read, with why.
    void commentedOut(const std::string& text, const std::string& why) {
        line("; " + text + " ; " + why);
    }
    void blank() { text_ += "\n"; }
    void deeper() { indent_ += "    "; }
    void shallower() { indent_.resize(indent_.size() >= 4 ? indent_.size() - 4 : 0); }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
    std::string indent_;
};

// The comments that open every source: what wrote it, from which package, who signed it.
void writeOrigin(SourceLines& out, const SourceOrigin& origin);
// The languages line: each language's code, or a comment for one without.
void writeLanguages(SourceLines& out, const std::vector<uint32_t>& languages);

// A condition in the .pkg's expression syntax; `unsaid` is set when part of it
// has no words in the syntax.
std::string sisxCondition(const sisx::Expression& expression, bool* unsaid);
std::string epocCondition(const EpocScript& script, uint32_t node, bool* unsaid);

// The source's file name of one written file, or the comment of one that was not.
struct SourceName {
    std::string path;
    bool written = false;
    std::string why; // when not written
};
SourceName sourceName(const PlacedFile& file);

// The body printers of each format.
void writeSisxSource(SourceLines& out, const Package& package, const SourcePlaces& places);
void writeEpocSource(SourceLines& out, const Package& package, const SourcePlaces& places);
