#pragma once
// What runs the extraction when nobody is there to answer: no message is shown
// (each file's outcome says what it came to), a run always goes on after
// failures, an existing file is kept rather than replaced unless the run's
// settings say to replace it, and Ctrl+C stops the run.
#include "common/string_ids.h"
#include "package/extract/extract_host.h"

class QuietHost : public ExtractHost {
  public:
    int showMessage(int kind, int, int, const char*) override {
        return kind == KindQuestion ? AnswerNo : 0;
    }
    int askToGoOn(int, int32_t) override { return AnswerYes; }
    void stepProgress() override {}
    bool chooseFolder(const char*, std::string*) override { return false; }
    bool stopRequested() override;
};
