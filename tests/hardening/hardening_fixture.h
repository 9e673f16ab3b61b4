// The fixture of the hardening tests: the window's fixture, started as the
// test asks (product or memory-shortage build, traced or not), the fields'
// texts as the program itself reads them (narrow, in the ANSI code page), and
// the check of one calculation against what the calculation core makes of
// the fields as they stand.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "calc/drag.h"
#include "kalvor_fixture.h"
#include "relay_trace.h"

namespace e2e {

// Four field texts, in the order of kInputs.
using Fields = std::vector<std::string>;
// Speed 100 with the three preset entries: 9.403935 kW, 3.465994 l/h.
Fields SampleFields();

// What the program must make of fields holding these texts: it reads at
// most calc::kFieldTextLimit characters of each.
calc::DragOutcome ExpectedOutcome(const Fields& held);

// The memory-shortage build, refusing every `every`th working block.
Launch RefusingEvery(unsigned every);

class KalvorProgram : public KalvorWindow {
  protected:
    // Each test starts the program it needs.
    void SetUp() override {}
    // Starts the program and notes where its own code lies, for the trace.
    void Start(const std::wstring& exe, const Launch& launch = {});

    void Fill(const Fields& fields) const;
    // What the four fields hold now, as the program would read them whole.
    Fields Held() const;
    // Marks the result fields so that a calculation must write them anew.
    void MarkResults() const;
    bool ResultsMarked() const;
    // The process runs and its window answers a message in time.
    bool Responsive() const;
    // The traced calls the program made (the run must have been traced and
    // should have ended, so that the trace is complete).
    std::vector<RelayCall> ProgramTrace() const { return ProgramCalls(trace_, image_); }

    // Presses OK and checks the outcome against `expected`: the result texts
    // written, or exactly one error box that is answered, the results left
    // as they were. Returns false (with failures recorded) if it went wrong.
    bool CheckCalculation(const calc::DragOutcome& expected) const;
    // The same with the outcome expected of the fields as they stand.
    bool CheckCalculation() const { return CheckCalculation(ExpectedOutcome(Held())); }

    Image image_;  // where the program's own code lies
};

}  // namespace e2e
