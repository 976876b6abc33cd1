// SPDX-License-Identifier: GPL-3.0-or-later
#include "units/unit.h"

#include "files/trust.h"
#include "settings/modulo1.h"
#include "units/csv.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace units {

namespace {

const QString IniFile = QStringLiteral("unit.ini");
const QString WordsFile = QStringLiteral("words.csv");
// A unit's number as a school book counts them.
constexpr int MostNumber = 999;

// Opens a plain file of the unit into `file`, never through a link, when it is trusted and no
// bigger than `most`; else why not.
QString openFile(const QString& path, const QString& what, qint64 most, QFile& file)
{
    struct stat st;
    const int fd = files::openPlainFile(path, &st);
    if (fd < 0) {
        const int error = errno;
        switch (error) {
        case ENOENT: return QStringLiteral("%1 non c'è").arg(what);
        case ELOOP:
            return QStringLiteral("%1 è un collegamento simbolico: serve il file vero, nella cartella dell'unità")
                .arg(what);
        case EISDIR: return QStringLiteral("%1 è una cartella").arg(what);
        case EINVAL: return QStringLiteral("%1 non è un file normale").arg(what);
        case EACCES: return QStringLiteral("%1 non si può leggere: mancano i permessi").arg(what);
        default: return QStringLiteral("%1 non si può leggere (%2)").arg(what, QString::fromLocal8Bit(strerror(error)));
        }
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QStringLiteral("%1 non si può leggere").arg(what);
    }
    if (const files::Trust trust = files::judge(st); !trust.trusted())
        return distrust(trust, what);
    if (st.st_size > most)
        return QStringLiteral("%1 è troppo grande: %2 byte, al massimo %3").arg(what).arg(st.st_size).arg(most);
    return {};
}

QString readFile(const QString& path, const QString& what, qint64 most, QByteArray& bytes)
{
    QFile file;
    QString why = openFile(path, what, most, file);
    if (why.isEmpty()) {
        bytes = file.read(most + 1); // it may have grown since
        if (bytes.size() > most)
            why = QStringLiteral("%1 è troppo grande: al massimo %2 byte").arg(what).arg(most);
    }
    return why;
}

// The text of UTF-8 bytes, without a byte-order mark; badLine is the first line that is not
// UTF-8, or 0.
QString utf8Text(QByteArrayView bytes, int* badLine)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    // Stateless: a character cut short at the end is an error too, not a state kept for more.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    *badLine = 0;
    if (decoder.hasError()) {
        // UTF-8 never has a line break inside a character: each line is judged on its own.
        int line = 0;
        for (QByteArrayView rest = bytes; !*badLine;) {
            const qsizetype end = rest.indexOf('\n');
            QStringDecoder one(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString decoded = one(end < 0 ? rest : rest.first(end)); // decodes only when kept
            ++line;
            if (one.hasError() || end < 0)
                *badLine = line;
            else
                rest = rest.sliced(end + 1);
        }
    }
    return text;
}

// Control and format characters (a line break, a direction override) have no place in a word.
bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
        || c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph;
}

bool hasControl(const QString& text)
{
    return std::any_of(text.begin(), text.end(), isControl);
}

// Text of the folder as a message quotes it: short, and nothing that a terminal would obey.
QString shown(const QString& text)
{
    QString part = text.left(40);
    std::replace_if(part.begin(), part.end(), isControl, u'?');
    return part.size() < text.size() ? part + QStringLiteral("…") : part;
}

class Reader
{
public:
    explicit Reader(UnitReading& reading) : reading_(reading) {}

    void problem(const QString& file, int line, const QString& text) { reading_.problems.append({file, line, text}); }

    // A file's text; false, with the problem named, when it cannot be read or is not UTF-8.
    bool readText(const QString& folder, const QString& file, qint64 most, const QString& howToSave, QString& text)
    {
        QByteArray bytes;
        if (const QString why = readFile(folder + u'/' + file, QStringLiteral("il file"), most, bytes);
            !why.isEmpty()) {
            problem(file, 0, why);
            return false;
        }
        int bad = 0;
        text = utf8Text(bytes, &bad);
        if (bad)
            problem(file, bad, QStringLiteral("il testo non è in UTF-8: ") + howToSave);
        return bad == 0;
    }

    void readIni(const QString& folder)
    {
        QString ini;
        if (!readText(folder, IniFile, MostIniBytes, QStringLiteral("salvare il file in UTF-8"), ini))
            return;
        const QStringList lines = ini.split(u'\n');
        QString group;
        for (int i = 0; i < lines.size(); ++i) {
            const QString line = lines[i].trimmed();
            if (line.startsWith(u'[') && line.endsWith(u']'))
                group = line.mid(1, line.size() - 2).trimmed().toLower();
            const qsizetype equals = line.indexOf(u'=');
            if (group != QLatin1String("unit") || equals < 0 || line.startsWith(u';') || line.startsWith(u'#'))
                continue;
            const QString key = line.left(equals).trimmed().toLower();
            QString value = line.mid(equals + 1).trimmed();
            if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
                value = value.mid(1, value.size() - 2);
            if (key == QLatin1String("name"))
                takeName(value, i + 1);
            else if (key == QLatin1String("number"))
                takeNumber(value, i + 1);
        }
        if (!named_)
            problem(IniFile, 0, QStringLiteral("manca il nome dell'unità: scrivere name=... sotto [unit]"));
    }

    void readWords(const QString& folder)
    {
        QString text;
        if (!readText(folder, WordsFile, MostCsvBytes, QStringLiteral("salvare la tabella come «CSV UTF-8»"), text))
            return;
        // An Italian spreadsheet separates with semicolons; the header says which.
        const qsizetype headerEnd = text.indexOf(u'\n');
        const QStringView header = QStringView(text).first(headerEnd < 0 ? text.size() : headerEnd);
        const QChar separator = header.contains(u';') && !header.contains(u',') ? u';' : u',';
        const std::vector<CsvRecord> records = readCsv(text, separator);
        if (records.empty() || !isHeader(records.front()))
            return problem(WordsFile, 1,
                           QStringLiteral("la prima riga deve essere l'intestazione word,form,picture, non «%1»")
                               .arg(records.empty() ? QString() : shown(records.front().fields.join(separator))));
        int rows = 0;
        for (size_t i = 1; i < records.size(); ++i) {
            const CsvRecord& record = records[i];
            if (record.fault == CsvRecord::Fault::None
                && std::all_of(record.fields.begin(), record.fields.end(),
                               [](const QString& field) { return field.trimmed().isEmpty(); }))
                continue; // a blank line
            if (++rows > MostWords)
                return problem(
                    WordsFile, record.line,
                    QStringLiteral("troppe parole: al massimo %1, le righe da qui non sono lette").arg(MostWords));
            readWord(folder, record);
        }
        if (words_ < FewestWords)
            problem(WordsFile, 0,
                    QStringLiteral("ci sono %1 parole: ne servono almeno %2, le coppie di un gioco di memoria")
                        .arg(words_)
                        .arg(FewestWords));
        else if (searchable_ < WordSearchWords)
            problem(WordsFile, 0,
                    QStringLiteral("solo %1 parole sono di sole lettere (a-z, senza spazi): il crucipuzzle ne "
                                   "nasconde %2")
                        .arg(searchable_)
                        .arg(WordSearchWords));
    }

private:
    UnitReading& reading_;
    QHash<QString, int> lineOf_;       // each word, case folded, and the line where it first stands
    QHash<QString, QString> pictures_; // each picture file looked at, and what is wrong with it
    int words_ = 0;                    // lines with a word, good or not
    int searchable_ = 0;
    bool named_ = false;

    static bool isHeader(const CsvRecord& record)
    {
        const QStringList names{QStringLiteral("word"), QStringLiteral("form"), QStringLiteral("picture")};
        if (record.fault != CsvRecord::Fault::None || record.fields.size() != names.size())
            return false;
        for (int i = 0; i < names.size(); ++i) {
            if (record.fields[i].trimmed().compare(names[i], Qt::CaseInsensitive) != 0)
                return false;
        }
        return true;
    }

    void takeName(const QString& name, int line)
    {
        named_ = !name.isEmpty();
        if (hasControl(name) || name.contains(u'<') || name.contains(u'>'))
            problem(IniFile, line, QStringLiteral("il nome contiene caratteri di controllo, «<» o «>»"));
        else if (name.size() > LongestName)
            problem(IniFile, line,
                    QStringLiteral("il nome è troppo lungo: %1 caratteri, al massimo %2")
                        .arg(name.size())
                        .arg(LongestName));
        else
            reading_.unit.name = name;
    }

    void takeNumber(const QString& value, int line)
    {
        bool ok = false;
        const int number = value.toInt(&ok);
        if (ok && number >= 1 && number <= MostNumber)
            reading_.unit.number = number;
        else
            problem(IniFile, line,
                    QStringLiteral("number=%1 non è un numero intero da 1 a %2").arg(shown(value)).arg(MostNumber));
    }

    void readWord(const QString& folder, const CsvRecord& record)
    {
        const int line = record.line;
        switch (record.fault) {
        case CsvRecord::Fault::None: break;
        case CsvRecord::Fault::StrayQuote:
            return problem(WordsFile, line,
                           QStringLiteral("virgolette dentro un campo: il campo va racchiuso tutto fra virgolette, "
                                          "raddoppiando quelle che contiene"));
        case CsvRecord::Fault::TextAfterQuote:
            return problem(WordsFile, line, QStringLiteral("c'è del testo dopo le virgolette che chiudono un campo"));
        case CsvRecord::Fault::UnclosedQuote:
            return problem(WordsFile, line, QStringLiteral("virgolette aperte qui e mai chiuse"));
        }
        if (record.fields.size() != 3)
            return problem(
                WordsFile, line,
                QStringLiteral("la riga ha %1 campi: ne servono 3, word,form,picture").arg(record.fields.size()));
        const int before = int(reading_.problems.size());
        const QString word = field(record.fields[0], line, QStringLiteral("la parola (word)"));
        const QString form = field(record.fields[1], line, QStringLiteral("la forma per le frasi (form)"));
        const QString picture = field(record.fields[2], line, QStringLiteral("il nome dell'immagine (picture)"), false);
        if (!word.isEmpty()) {
            ++words_;
            searchable_ += fitsWordSearch(word);
            if (word.size() > LongestWord)
                problem(WordsFile, line,
                        QStringLiteral("la parola «%1» è troppo lunga: al massimo %2 caratteri, la misura del "
                                       "crucipuzzle")
                            .arg(shown(word))
                            .arg(LongestWord));
            if (const auto seen = lineOf_.constFind(word.toCaseFolded()); seen != lineOf_.constEnd())
                problem(WordsFile, line,
                        QStringLiteral("la parola «%1» c'è già alla riga %2").arg(shown(word)).arg(*seen));
            else
                lineOf_.insert(word.toCaseFolded(), line);
        }
        if (form.size() > LongestForm)
            problem(WordsFile, line,
                    QStringLiteral("la forma «%1» è troppo lunga: al massimo %2 caratteri")
                        .arg(shown(form))
                        .arg(LongestForm));
        const QString path = picturePath(folder, picture, line);
        if (int(reading_.problems.size()) == before)
            reading_.unit.words.push_back({word, form, path});
    }

    // A field without the blanks around it, and with one blank between words unless it is a file's
    // name; empty when it is empty or unfit, and then a problem is named.
    QString field(const QString& raw, int line, const QString& what, bool words = true)
    {
        if (hasControl(raw.trimmed())) {
            problem(WordsFile, line, QStringLiteral("%1 contiene caratteri di controllo").arg(what));
            return {};
        }
        // A label shows "<b>" as markup, and <img> would show any picture on the disk.
        if (words && (raw.contains(u'<') || raw.contains(u'>'))) {
            problem(WordsFile, line, QStringLiteral("%1 contiene «<» o «>», che nessuna parola ha").arg(what));
            return {};
        }
        const QString value = words ? raw.simplified() : raw.trimmed();
        if (value.isEmpty())
            problem(WordsFile, line, QStringLiteral("manca %1").arg(what));
        return value;
    }

    // The picture's path when it is a JPEG or PNG file of the unit's folder; else empty, and
    // the problem is named.
    QString picturePath(const QString& folder, const QString& name, int line)
    {
        if (name.isEmpty())
            return {};
        if (name.contains(u'/') || name.contains(u'\\') || name.startsWith(u'.') || name.size() > LongestPictureName) {
            problem(WordsFile, line,
                    QStringLiteral("il nome dell'immagine «%1» non va bene: solo il nome di un file della cartella "
                                   "dell'unità, senza «/» e senza un punto all'inizio, al massimo %2 caratteri")
                        .arg(shown(name))
                        .arg(LongestPictureName));
            return {};
        }
        const QString path = folder + u'/' + name;
        auto known = pictures_.find(name);
        if (known == pictures_.end())
            known = pictures_.insert(name, checkPicture(path, QStringLiteral("l'immagine «%1»").arg(shown(name))));
        if (!known->isEmpty()) {
            problem(WordsFile, line, *known);
            return {};
        }
        return path;
    }

    // Only the picture's header is read: a picture is never decoded to be checked.
    static QString checkPicture(const QString& path, const QString& what)
    {
        QFile file;
        if (const QString why = openFile(path, what, MostPictureBytes, file); !why.isEmpty())
            return why;
        // Named by its content, so that no other image plugin is tried on it.
        const QByteArray head = file.peek(8);
        const char* format = head.startsWith("\xFF\xD8\xFF") ? "jpeg"
            : head.startsWith("\x89PNG\r\n\x1A\n")           ? "png"
                                                             : nullptr;
        if (!format)
            return QStringLiteral("%1 non è un'immagine JPEG o PNG").arg(what);
        QImageReader reader(&file, format);
        const QSize size = reader.size();
        if (!size.isValid())
            return QStringLiteral("%1 è rovinata: non se ne legge la misura").arg(what);
        if (size.width() > MostPictureSide || size.height() > MostPictureSide)
            return QStringLiteral("%1 misura %2 × %3 pixel: al massimo %4 × %4")
                .arg(what)
                .arg(size.width())
                .arg(size.height())
                .arg(MostPictureSide);
        return {};
    }
};

} // namespace

QString distrust(const files::Trust& trust, QString what)
{
    using Verdict = files::Trust::Verdict;
    if (!trust.above.isEmpty())
        what = QStringLiteral("la cartella superiore %1").arg(trust.above);
    switch (trust.verdict) {
    case Verdict::Trusted: break;
    case Verdict::NotAFolder: return QStringLiteral("non è una cartella, o non c'è");
    case Verdict::CannotLook: return QStringLiteral("%1 non si può esaminare").arg(what);
    case Verdict::OtherOwner:
        return QStringLiteral("%1 è di un altro utente (uid %2): deve essere dell'amministratore (root) o di chi "
                              "usa il programma")
            .arg(what)
            .arg(trust.owner);
    case Verdict::OthersMayWrite:
        return QStringLiteral("altri utenti possono modificare %1 (permessi %2): togliere loro la scrittura "
                              "(chmod go-w)")
            .arg(what)
            .arg(trust.mode, 4, 8, QLatin1Char('0'));
    }
    return {};
}

Unit builtInUnit()
{
    Unit unit;
    unit.id = QLatin1String(BuiltInId);
    unit.name = QStringLiteral("Food and drink");
    unit.number = 7;
    for (int i = 1; i <= Modulo1::BuiltInWordCount; ++i) {
        const QString word = Modulo1::builtInWord(i);
        unit.words.push_back({word, Modulo1::builtInForm(i), Modulo1::builtInPicturePath(word)});
    }
    return unit;
}

UnitReading readUnit(const QString& folder)
{
    UnitReading reading;
    Reader reader(reading);
    files::Trust trust;
    const QString real = files::trustedFolder(folder, &trust);
    if (real.isEmpty()) {
        reader.problem({}, 0, distrust(trust, QStringLiteral("la cartella")));
        return reading;
    }
    reading.unit.folder = real;
    reading.unit.id = QFileInfo(real).fileName();
    if (!isUnitId(reading.unit.id))
        reader.problem({}, 0,
                       QStringLiteral("il nome della cartella, «%1», può avere solo lettere senza accenti, cifre, «-» "
                                      "e «_», al massimo 64")
                           .arg(shown(reading.unit.id)));
    reader.readIni(real);
    reader.readWords(real);
    return reading;
}

bool isUnitId(const QString& id)
{
    return !id.isEmpty() && id.size() <= 64 && std::all_of(id.begin(), id.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
            || c == u'_';
    });
}

bool fitsWordSearch(const QString& word)
{
    return !word.isEmpty() && word.size() <= WordSearchSide && std::all_of(word.begin(), word.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    });
}

QString describe(const UnitProblem& problem)
{
    if (problem.file.isEmpty())
        return problem.text;
    if (problem.line == 0)
        return QStringLiteral("%1: %2").arg(problem.file, problem.text);
    return QStringLiteral("%1, riga %2: %3").arg(problem.file).arg(problem.line).arg(problem.text);
}

void play(const Unit& unit)
{
    if (unit.id == QLatin1String(BuiltInId)) {
        Modulo1::CaricaParole();
        return;
    }
    std::vector<Modulo1::WordOfUnit> words;
    for (const UnitWord& word : unit.words)
        words.push_back({word.word, word.form, word.picture});
    Modulo1::CaricaParole({unit.id, unit.name, unit.number, false}, words);
}

} // namespace units
