// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/answer_record.h"

#include "settings/settings_file.h"
#include "settings/single_copy.h"
#include "units/unit.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

Q_LOGGING_CATEGORY(lcRecord, "munchora.record", QtInfoMsg)

namespace {

constexpr char Connection[] = "munchora-record";
// The oldest answers go in steps, not one by one at every answer.
constexpr int PruneEvery = 1000;

struct Row
{
    Answer answer;
    QString unit;
    qint64 at = 0;
};

// What happened to a database file found at the record's place.
enum class Found { Ours, PutAside, Keep };

class Writer : public QThread
{
public:
    explicit Writer(QString path) : path_(std::move(path)) {}

    void add(Row row)
    {
        {
            const std::lock_guard lock(mutex_);
            if (closed_)
                return;
            pending_.push_back(std::move(row));
            ++given_;
        }
        wake_.notify_one();
    }

    bool flush(int timeoutMs)
    {
        std::unique_lock lock(mutex_);
        const quint64 target = given_;
        return done_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return written_ >= target || closed_; });
    }

    void finish()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        // A disk that hangs must not keep the program from ending: what is not written by then
        // is lost with the process, never half written.
        wait(5000);
    }

    bool closed() const
    {
        const std::lock_guard lock(mutex_);
        return closed_;
    }

protected:
    void run() override
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(Connection));
            if (open(db))
                writeUntilStopped(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(QLatin1String(Connection));
        close();
    }

private:
    // The record stops for good; the program plays on. One line says why.
    void giveUp(const QString& why)
    {
        qCWarning(lcRecord).noquote() << "the record of answers stops:" << why;
        close();
    }

    void close()
    {
        {
            const std::lock_guard lock(mutex_);
            closed_ = true;
            pending_.clear();
        }
        done_.notify_all();
    }

    bool open(QSqlDatabase& db)
    {
        const QFileInfo file(path_);
        const QString folder = file.absolutePath();
        if (!QDir().mkpath(folder)) {
            giveUp(QStringLiteral("cannot make the folder %1").arg(folder));
            return false;
        }
        // The pupil's answers are the pupil's: nobody else on a shared machine reads them.
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (file.exists()) {
            const Found found = judge(db);
            if (found == Found::Keep)
                return false;
            if (found == Found::PutAside && !putAside())
                return false;
        }
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open()) {
            giveUp(QStringLiteral("cannot open %1: %2").arg(path_, db.lastError().text()));
            return false;
        }
        QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QSqlQuery q(db);
        // A crash or a power cut leaves whole answers or none: each is one transaction, and the
        // write-ahead log keeps the file whole; NORMAL may lose the last answers of a power cut.
        QSqlError error;
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
            error = q.lastError();
        if (!error.isValid())
            error = makeCurrent(db);
        if (!error.isValid())
            error = prune(db);
        if (error.isValid()) {
            giveUp(QStringLiteral("cannot prepare %1: %2").arg(path_, error.text()));
            return false;
        }
        struct stat st;
        if (::stat(QFile::encodeName(path_).constData(), &st) == 0)
            opened_ = {st.st_dev, st.st_ino};
        return true;
    }

    // Makes the table, or brings a version 1 record (no unit: its answers are all the built-in
    // unit's) to this version, in one transaction: a crash or a full disk half way leaves the
    // old record whole, to be brought up at the next start. No error when done.
    static QSqlError makeCurrent(QSqlDatabase& db)
    {
        QSqlQuery q(db);
        const bool done = q.exec(QStringLiteral("BEGIN IMMEDIATE"))
            && q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS answers (id INTEGER PRIMARY KEY, at INTEGER NOT NULL, "
                                     "visit INTEGER NOT NULL, screen TEXT NOT NULL, asked TEXT NOT NULL, word TEXT "
                                     "NOT NULL, chosen TEXT NOT NULL, chosen_word TEXT NOT NULL, right INTEGER NOT "
                                     "NULL, attempt INTEGER NOT NULL, ms INTEGER NOT NULL, unit TEXT NOT NULL)"))
            && q.exec(QStringLiteral("SELECT count(*) FROM pragma_table_info('answers') WHERE name='unit'")) && q.next()
            && (q.value(0).toInt() == 1
                || q.exec(QStringLiteral("ALTER TABLE answers ADD COLUMN unit TEXT NOT NULL DEFAULT '%1'")
                              .arg(QLatin1String(units::BuiltInId))))
            && q.exec(QStringLiteral("PRAGMA application_id=%1").arg(AnswerRecord::ApplicationId))
            && q.exec(QStringLiteral("PRAGMA user_version=%1").arg(AnswerRecord::SchemaVersion))
            && q.exec(QStringLiteral("COMMIT"));
        if (done)
            return QSqlError();
        const QSqlError error = q.lastError(); // the cause, not what the rollback says
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return error;
    }

    // Whether the record's name still names the file that was opened: --forget, or a hand,
    // may have taken it away meanwhile.
    bool stillThere() const
    {
        struct stat st;
        return ::stat(QFile::encodeName(path_).constData(), &st) == 0 && std::pair{st.st_dev, st.st_ino} == opened_;
    }

    // A file already there: ours, another program's or a damaged one (put aside), or one of a
    // newer Munchora (kept as it is; this copy keeps no record).
    Found judge(QSqlDatabase& db)
    {
        db.setDatabaseName(path_);
        // Read-write, so a log left by a crash is taken in rather than taken for damage.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        Found found = Found::PutAside;
        QString why = QStringLiteral("not a database");
        if (db.open()) {
            QSqlQuery q(db);
            const auto number = [&q](const char* pragma) {
                return q.exec(QLatin1String(pragma)) && q.next() ? q.value(0).toLongLong() : -1;
            };
            const qint64 id = number("PRAGMA application_id");
            const qint64 version = number("PRAGMA user_version");
            const qint64 tables = number("SELECT count(*) FROM sqlite_schema");
            const bool whole = q.exec(QStringLiteral("PRAGMA quick_check")) && q.next()
                && q.value(0).toString() == QLatin1String("ok");
            if (!whole || id < 0 || tables < 0)
                why = QStringLiteral("damaged");
            else if (id == 0 && tables == 0)
                found = Found::Ours; // empty: a start that ended before its first answer
            else if (id != AnswerRecord::ApplicationId)
                why = QStringLiteral("another program's database");
            else if (version > AnswerRecord::SchemaVersion) {
                found = Found::Keep;
                why = QStringLiteral("written by a newer Munchora (version %1); it is left as it is").arg(version);
            } else
                found = Found::Ours;
        }
        db.close();
        if (found == Found::Keep)
            giveUp(QStringLiteral("%1 is %2").arg(path_, why));
        else if (found == Found::PutAside)
            qCWarning(lcRecord).noquote() << path_ << "is" << why << "- it is put aside and a new record begins";
        return found;
    }

    // Renamed, never deleted: a teacher may still want what it holds.
    bool putAside()
    {
        const QString aside = path_ + QStringLiteral(".damaged-")
            + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        for (const char* tail : {"", "-wal", "-shm"}) {
            const QString from = path_ + QLatin1String(tail);
            if (QFileInfo::exists(from) && !QFile::rename(from, aside + QLatin1String(tail))) {
                giveUp(QStringLiteral("cannot put %1 aside").arg(from));
                return false;
            }
        }
        qCWarning(lcRecord).noquote() << "the old record is now" << aside;
        return true;
    }

    // No error when done.
    QSqlError prune(QSqlDatabase& db)
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("DELETE FROM answers WHERE id <= (SELECT max(id) FROM answers) - %1")
                   .arg(AnswerRecord::KeepAnswers));
        return q.lastError();
    }

    QSqlQuery prepareInsert(QSqlDatabase& db)
    {
        QSqlQuery insert(db);
        // An empty text may come as a null one: it is kept as ''.
        insert.prepare(
            QStringLiteral("INSERT INTO answers (at, visit, screen, asked, word, chosen, chosen_word, right, "
                           "attempt, ms, unit) VALUES (?, ?, ?, coalesce(?, ''), coalesce(?, ''), coalesce(?, ''), "
                           "coalesce(?, ''), ?, ?, ?, ?)"));
        return insert;
    }

    // The record was taken away while it was open: a new one begins, so the answers given since
    // are kept where a teacher finds them, not written into a removed file.
    bool beginAgain(QSqlDatabase& db, QSqlQuery& insert)
    {
        qCWarning(lcRecord).noquote() << path_ << "was taken away - a new record begins";
        insert = QSqlQuery();
        db.close();
        // Nothing was checkpointed into the removed file; its log must not be taken for the new one's.
        if (!QFileInfo::exists(path_))
            for (const char* tail : {"-wal", "-shm"})
                QFile::remove(path_ + QLatin1String(tail));
        if (!open(db))
            return false;
        insert = prepareInsert(db);
        return true;
    }

    void writeUntilStopped(QSqlDatabase& db)
    {
        QSqlQuery insert = prepareInsert(db);
        int sincePrune = 0;
        for (;;) {
            std::vector<Row> rows;
            bool stopping = false;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
                rows.swap(pending_);
                stopping = stopping_;
            }
            if (!rows.empty()) {
                if (!stillThere() && !beginAgain(db, insert))
                    return;
                // All that waited, in one transaction: whole answers or none.
                bool ok = db.transaction();
                QSqlError error = db.lastError();
                for (const Row& row : rows) {
                    if (!ok)
                        break;
                    const Answer& a = row.answer;
                    insert.bindValue(0, row.at);
                    insert.bindValue(1, a.visit);
                    insert.bindValue(2, a.screen);
                    insert.bindValue(3, a.asked);
                    insert.bindValue(4, a.word);
                    insert.bindValue(5, a.chosen);
                    insert.bindValue(6, a.chosenWord);
                    insert.bindValue(7, a.right ? 1 : 0);
                    insert.bindValue(8, a.attempt);
                    insert.bindValue(9, a.ms);
                    insert.bindValue(10, row.unit);
                    ok = insert.exec();
                    error = insert.lastError();
                }
                sincePrune += int(rows.size());
                if (ok && sincePrune >= PruneEvery) {
                    error = prune(db);
                    ok = !error.isValid();
                    sincePrune = 0;
                }
                if (ok) {
                    ok = db.commit();
                    error = db.lastError();
                }
                if (!ok) {
                    // A full disk, a folder made read-only: the reason is taken before the
                    // rollback, which has its own to say.
                    db.rollback();
                    giveUp(QStringLiteral("cannot write to %1: %2").arg(path_, error.text()));
                    return;
                }
                {
                    const std::lock_guard lock(mutex_);
                    written_ += rows.size();
                }
                done_.notify_all();
            }
            if (stopping)
                return;
        }
    }

    const QString path_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<Row> pending_;
    quint64 given_ = 0;
    quint64 written_ = 0;
    bool stopping_ = false;
    bool closed_ = false;
    std::pair<dev_t, ino_t> opened_{}; // the file the record was opened on
};

std::unique_ptr<Writer> writer;
// Told where a unit starts, read where an answer is given: callers need not share a thread.
std::mutex unitMutex;
QString unitInPlay = QLatin1String(units::BuiltInId);

} // namespace

namespace AnswerRecord {

bool enabledBySchool()
{
    const QString path = SettingsFile::systemConfigFile(QStringLiteral("munchora/munchora.conf"));
    if (path.isEmpty())
        return false;
    const QSettings conf(path, QSettings::IniFormat);
    return conf.value(QStringLiteral("record/enabled"))
               .toString()
               .trimmed()
               .compare(QLatin1String("true"), Qt::CaseInsensitive)
        == 0;
}

QString defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/munchora/answers.sqlite");
}

void start()
{
    if (enabledBySchool())
        startAt(defaultPath());
}

void startAt(const QString& path)
{
    stop();
    writer = std::make_unique<Writer>(path);
    writer->start(QThread::LowPriority);
}

bool active()
{
    return writer && !writer->closed();
}

void setUnit(const QString& id)
{
    const std::lock_guard lock(unitMutex);
    unitInPlay = id;
}

void add(const Answer& answer)
{
    if (!writer)
        return;
    QString unit;
    {
        const std::lock_guard lock(unitMutex);
        unit = unitInPlay;
    }
    writer->add({answer, std::move(unit), QDateTime::currentMSecsSinceEpoch()});
}

bool flush(int timeoutMs)
{
    return !writer || writer->flush(timeoutMs);
}

void stop()
{
    if (!writer)
        return;
    writer->finish();
    if (writer->isFinished())
        writer.reset();
    else
        (void)writer.release(); // still held up by the disk: left to end with the process
}

int forget()
{
    // A copy running for this user would go on writing its answers into removed files: it is
    // closed first, and none starts while the files go.
    SingleCopy running;
    if (running.acquire() == SingleCopy::Outcome::AnotherCopyRuns) {
        std::fprintf(stderr,
                     "munchora: Munchora è aperto per questo utente: chiuderlo e riprovare. La registrazione "
                     "delle risposte non è stata cancellata.\n");
        return 1;
    }
    const QString path = defaultPath();
    const QDir folder = QFileInfo(path).absoluteDir();
    // The record, its write-ahead files and the records once put aside; no other file, whatever
    // its name begins with.
    const QRegularExpression ours(QStringLiteral("^%1(-wal|-shm|-journal|\\.damaged-\\d{8}-\\d{6}(-wal|-shm)?)?$")
                                      .arg(QRegularExpression::escape(QFileInfo(path).fileName())));
    int removed = 0, failed = 0;
    for (const QString& entry : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!ours.match(entry).hasMatch())
            continue;
        const QByteArray file = QFile::encodeName(folder.filePath(entry));
        if (::unlink(file.constData()) == 0) {
            std::printf("munchora: cancellato %s\n", file.constData());
            ++removed;
        } else {
            const int error = errno;
            std::fprintf(stderr, "munchora: non si può cancellare %s: %s\n", file.constData(),
                         error == EACCES || error == EPERM ? "permesso negato"
                             : error == EROFS              ? "il disco si può solo leggere"
                                              : qPrintable(QStringLiteral("errore di sistema %1").arg(error)));
            ++failed;
        }
    }
    if (removed == 0 && failed == 0)
        std::printf("munchora: nessuna registrazione delle risposte in %s\n", qPrintable(folder.path()));
    return failed == 0 ? 0 : 1;
}

} // namespace AnswerRecord
