// SPDX-License-Identifier: GPL-3.0-or-later
// What keeping an answer costs the screen: the time on the user-interface thread of one
// recorded answer (the answer built as a screen builds it, handed to the record's thread), while
// that thread writes to a real database. "burst" gives the answers back to back, the worst case
// (the writer always busy); "child's pace" leaves 2 ms between them. Then the size of the
// database per 10,000 answers.
//
//   bench_record [answers]     (default 10000)

#include "bench_tools.h"
#include "record/answer_record.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

struct Costs
{
    double median, p99, maximum; // microseconds
};

Costs timeAnswers(const QString& path, int count, int pauseMs)
{
    static const QStringList words{QStringLiteral("apple"),  QStringLiteral("banana"),    QStringLiteral("ice cream"),
                                   QStringLiteral("cheese"), QStringLiteral("chocolate"), QStringLiteral("orange")};
    AnswerRecord::startAt(path);
    std::vector<double> us;
    us.reserve(size_t(count));
    QElapsedTimer clock;
    for (int k = 0; k < count; ++k) {
        const QString& word = words[k % words.size()];
        const QString& chosen = words[(k * 7) % words.size()];
        clock.start();
        Answer answer;
        answer.screen = QStringLiteral("Form14");
        answer.asked = QStringLiteral("Tom likes ") + word;
        answer.word = word;
        answer.chosen = QStringLiteral("Susy likes ") + chosen;
        answer.chosenWord = chosen;
        answer.right = word == chosen;
        answer.attempt = 1 + k % 3;
        answer.ms = 1500 + k % 4000;
        answer.visit = 1;
        AnswerRecord::add(answer);
        us.push_back(clock.nsecsElapsed() / 1e3);
        if (pauseMs > 0)
            QThread::msleep(pauseMs);
    }
    AnswerRecord::flush(60000);
    AnswerRecord::stop();
    std::sort(us.begin(), us.end());
    return {median(us), us[size_t(double(us.size() - 1) * 0.99)], us.back()};
}

} // namespace

int main(int argc, char* argv[])
{
    return runBench(argc, argv, 10000, [](int count) {
        QTemporaryDir dir;
        std::printf("%-14s %8s %12s %10s %10s %10s\n", "answers", "count", "median us", "p99 us", "max us", "file KB");
        const struct
        {
            const char* name;
            int pauseMs;
            int count;
        } runs[] = {{"burst", 0, count}, {"child's pace", 2, std::min(count, 2000)}};
        for (const auto& run : runs) {
            const QString path = dir.filePath(QString::fromLatin1(run.name) + QStringLiteral(".sqlite"));
            const Costs costs = timeAnswers(path, run.count, run.pauseMs);
            std::printf("%-14s %8d %12.2f %10.2f %10.1f %10.0f\n", run.name, run.count, costs.median, costs.p99,
                        costs.maximum, QFileInfo(path).size() / 1024.0);
        }
        const double perTenThousand = QFileInfo(dir.filePath(QStringLiteral("burst.sqlite"))).size() * 10000.0 / count;
        std::printf("database size per 10,000 answers: %.0f KB\n", perTenThousand / 1024.0);
        return 0;
    });
}
