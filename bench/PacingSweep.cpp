// Sweeps allowance-shaped sites on the pacing tests' simulated clock: seconds of real pacing
// in milliseconds of CPU, the same every run. Build it from two commits to set one pacer
// beside another; bench/allowance_sweep.sh does the same against the real fixture server.
//
//   pacing_sweep [LATENCY_MS] [LINKS:BURST:REFILL:BLOCK_SECONDS:PENALTY_MS]...
// Without cases: 300 and 3,000 links; bursts 10, 40, 100; refills 1, 4, 10, 20 a second;
// blocks of 5, 15, 60 s; no penalty, and 250 ms per request during a block. Then the one-block
// site of the pacing tests (a 20 s block from the 50th request, +250 ms per request in it).
#include "engine/CheckScheduler.h"
#include "support/SimulatedSite.h"

#include <QStringList>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
struct Request
{
    qint64 at = 0;
    bool blocked = false;
    int block = 0; // which block it met, 0 for none
};

struct Run
{
    double seconds = 0;
    int blocks = 0;
    int invalid = 0;
    std::vector<Request> requests;
};

Run runAgainst(const QString &rules, int links, qint64 latencyMs)
{
    SimulatedSite site(rules, latencyMs);
    Run run;
    // The site decides a request as it starts it, so what its counters gained between two
    // starts belongs to the earlier one.
    int blockedBefore = 0;
    const auto settle = [&] {
        if (!run.requests.empty()) {
            run.requests.back().blocked = site.blockedRequests() > blockedBefore;
            run.requests.back().block = run.requests.back().blocked ? site.blocks() : 0;
        }
        blockedBefore = site.blockedRequests();
    };
    site.onStart = [&](quint64) {
        settle();
        run.requests.push_back({site.now(), false, 0});
    };
    QStringList list;
    for (int i = 0; i < links; ++i)
        list << QStringLiteral("http://site/watch?v=%1").arg(i);
    SchedulerSettings settings;
    settings.jobs = 8;
    CheckScheduler scheduler(
        list, settings, site, [&] { return site.now(); }, [] { return 0.0; });
    scheduler.run(
        [&](qsizetype, const CheckedLink &checked) {
            run.invalid += checked.verdict == LinkVerdict::Invalid;
        },
        [&] { return site.now() < 100 * 3'600'000LL; });
    settle();
    run.seconds = site.now() / 1000.0;
    run.blocks = site.blocks();
    return run;
}

// The fewest requests answered in any 30 s from the end of the second block, as a share of
// what the refill allows in 30 s; negative when the run had no such 30 s.
double lowestPaceAfterSecondBlock(const Run &run, double refill)
{
    qint64 secondEnds = -1;
    for (const Request &request : run.requests) {
        if (request.block == 2)
            secondEnds = -2;
        else if (secondEnds == -2 && !request.blocked)
            secondEnds = request.at;
    }
    if (secondEnds < 0)
        return -1;
    std::vector<qint64> good;
    for (const Request &request : run.requests)
        if (!request.blocked && request.at >= secondEnds)
            good.push_back(request.at);
    if (good.back() - secondEnds < 30'000)
        return -1;
    long lowest = -1;
    for (qint64 from = secondEnds; from + 30'000 <= good.back(); from += 1000) {
        long count = 0;
        for (qint64 at : good)
            count += at >= from && at < from + 30'000;
        if (lowest < 0 || count < lowest)
            lowest = count;
    }
    return lowest / (30 * refill);
}
} // namespace

int main(int argc, char **argv)
{
    const qint64 latencyMs = argc > 1 ? std::atoll(argv[1]) : 60;
    std::vector<std::string> cases(argv + qMin(argc, 2), argv + argc);
    if (cases.empty()) {
        for (int links : {300, 3000})
            for (int burst : {10, 40, 100})
                for (int refill : {1, 4, 10, 20})
                    for (int block : {5, 15, 60})
                        for (int penalty : {0, 250})
                            cases.push_back(std::to_string(links) + ':' + std::to_string(burst)
                                            + ':' + std::to_string(refill) + ':'
                                            + std::to_string(block) + ':'
                                            + std::to_string(penalty));
    }
    std::printf("--jobs 8, answers %lld ms after their request; a case misses on time (T: over "
                "1.25 x (least + one block); t: the same where two blocks cannot fit in it), "
                "blocks (B: over 2 in 300 links, 4 in 3,000), pace "
                "(P: under 80 %% of the refill in some 30 s after the second block) or invalid "
                "links (I)\n",
                latencyMs);
    std::printf("%-22s %9s %9s %6s %6s %8s %7s %s\n", "case", "seconds", "least+S", "ratio",
                "blocks", "min pace", "invalid", "misses");
    int missed = 0;
    int unreachable = 0;
    for (const std::string &text : cases) {
        int links = 0, burst = 0, refill = 0, block = 0, penalty = 0;
        if (std::sscanf(text.c_str(), "%d:%d:%d:%d:%d", &links, &burst, &refill, &block, &penalty)
                != 5
            || links <= 0 || refill <= 0) {
            std::fprintf(stderr, "not a case: %s\n", text.c_str());
            return 2;
        }
        const Run run = runAgainst(QStringLiteral("site allowance %1 %2 %3 +%4")
                                       .arg(burst)
                                       .arg(refill)
                                       .arg(block * 1000)
                                       .arg(penalty),
                                   links, latencyMs);
        const double least = qMax(0, links - burst) / double(refill) + block;
        const double pace = lowestPaceAfterSecondBlock(run, refill);
        std::string misses;
        if (run.invalid > 0)
            misses += 'I';
        // Telling the refill takes a second block, and two blocks fit in 1.25 x (least + one
        // block) only when the links beyond the burst take three blocks' length or more: a
        // slower case is marked, not counted.
        const double work = qMax(0, links - burst) / double(refill);
        if (run.seconds > 1.25 * least)
            misses += work >= 3 * block ? 'T' : 't';
        if (run.blocks > (links <= 300 ? 2 : 4))
            misses += 'B';
        if (pace >= 0 && pace < 0.8)
            misses += 'P';
        missed += misses.find_first_not_of('t') != std::string::npos;
        unreachable += misses == "t";
        const std::string paceText
            = pace < 0 ? "-" : std::to_string(int(std::lround(pace * 100))) + '%';
        std::printf("%-22s %9.1f %9.1f %6.2f %6d %8s %7d %s\n", text.c_str(), run.seconds, least,
                    run.seconds / least, run.blocks, paceText.c_str(), run.invalid, misses.c_str());
    }
    std::printf("%d of %zu cases miss a figure; %d more miss only a time no pacer can reach (t)\n",
                missed, cases.size(), unreachable);
    const Run once = runAgainst(QStringLiteral("site block #50 20000 +250"), 300, latencyMs);
    std::printf("one 20 s block from the 50th request, +250 ms per request in it, 300 links: "
                "%.1f s, %d invalid\n",
                once.seconds, once.invalid);
}
