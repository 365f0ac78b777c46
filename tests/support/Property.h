#pragma once

// Properties checked with rapidcheck from inside a QtTest function.
//
// A property is a callable without arguments that draws its values with
// `*rc::gen::...` and fails by RC_ASSERT (or by throwing). It runs until
// `cases` cases have passed or `seconds` have gone by since the first case,
// whichever comes first; a failure is then shrunk to the shortest case
// rapidcheck finds, however long that takes.
//
// The environment changes a run without a rebuild:
//   SMSTOOLS_PROPERTY_CASES    cases (scripts/fuzz.sh --long sets many)
//   SMSTOOLS_PROPERTY_SECONDS  the time budget; 0 for none
//   SMSTOOLS_PROPERTY_SEED     the seed (default: a fresh one each run)
//   RC_PARAMS="reproduce=..."  replays the failure a run printed, exactly
//
// A failure prints the seed, the shrunk case and the RC_PARAMS line that
// replays it, and fails the QtTest function.

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <QTest>
#include <cstdint>
#include <iostream>
#include <memory>
#include <rapidcheck.h>
#include <sstream>
#include <string>
#include <vector>

namespace Property {

inline int envInt(const char* name, int fallback) {
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

inline uint64_t seedFromEnvironment() {
    bool ok = false;
    const qulonglong v = qEnvironmentVariable("SMSTOOLS_PROPERTY_SEED").toULongLong(&ok);
    return ok ? v : QRandomGenerator::global()->generate64();
}

// Runs the property; true when it held. The name keys RC_PARAMS's reproduce.
template <typename Testable>
bool check(const std::string& name, int cases, int seconds, Testable testable) {
    using namespace rc::detail;
    TestParams params = configuration().testParams;
    params.maxSuccess = envInt("SMSTOOLS_PROPERTY_CASES", cases);
    params.seed = seedFromEnvironment();
    const int budgetMs = envInt("SMSTOOLS_PROPERTY_SECONDS", seconds) * 1000;

    // Past the budget the remaining cases pass at once; once a case has
    // failed, every case runs, so shrinking is never cut short.
    struct Run {
        QElapsedTimer clock;
        bool failing = false;
        int ran = 0;
    };
    auto run = std::make_shared<Run>();
    run->clock.start();
    auto bounded = [testable, run, budgetMs]() {
        if (!run->failing && budgetMs > 0 && run->clock.elapsed() > budgetMs) return;
        ++run->ran;
        try {
            testable();
        } catch (const CaseResult& r) {
            if (r.type == CaseResult::Type::Failure && !run->failing) {
                // Shown at once: a failure that does not come again while
                // shrinking is reported below only by the values of its case.
                run->failing = true;
                std::cerr << "First failure, case " << run->ran << ":\n" << r.description << '\n' << std::flush;
            }
            throw;
        } catch (...) {
            if (!run->failing) std::cerr << "First failure, case " << run->ran << ": an exception\n" << std::flush;
            run->failing = true;
            throw;
        }
    };

    TestMetadata metadata;
    metadata.id = name;
    metadata.description = name;
    struct Quiet : TestListener {
        void onTestCaseFinished(const CaseDescription&) override {}
        void onShrinkTried(const CaseDescription&, bool) override {}
        void onTestFinished(const TestMetadata&, const TestResult&) override {}
    } listener;
    const TestResult result = checkTestable(bounded, metadata, params, listener, configuration().reproduce);

    std::ostringstream out;
    out << name << ": seed " << params.seed << ", " << run->ran << " cases run\n";
    printResultMessage(result, out);
    out << '\n';
    FailureResult failure;
    const bool failed = result.match(failure);
    if (failed) {
        Configuration replay = configuration();
        replay.reproduce[name] = failure.reproduce;
        out << "Replay: SMSTOOLS_PROPERTY_SEED=" << params.seed << " RC_PARAMS=\""
            << configToMinimalString(replay) << "\"\n";
    }
    std::cerr << out.str() << std::flush;
    return result.template is<SuccessResult>();
}

// Text for a box property: random pieces run together, now and then
// repeated well past any box's length.
inline QString textFromPieces(const QStringList& pieces) {
    QString text;
    for (int i : *rc::gen::container<std::vector<int>>(rc::gen::inRange<int>(0, int(pieces.size()))))
        text += pieces.at(i);
    if (*rc::gen::weightedOneOf<bool>({{5, rc::gen::just(false)}, {1, rc::gen::just(true)}}))
        text = text.repeated(20);
    return text;
}

}  // namespace Property

// QVERIFY on a property, inside a QtTest function.
#define SMS_PROPERTY(name, cases, seconds, testable) \
    QVERIFY2(Property::check((name), (cases), (seconds), (testable)), "property failed; see above")
