#include "tests/support/CommandLog.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <fstream>

namespace kelvor::test {

namespace {

// A value of the stand-in's flat objects as text: strings as they are,
// numbers, booleans and null in their JSON spelling.
std::string textOf(const QJsonValue& value)
{
    if (value.isString())
        return value.toString().toStdString();
    if (value.isBool())
        return value.toBool() ? "true" : "false";
    if (value.isDouble()) {
        const double number = value.toDouble();
        const qint64 whole = value.toInteger();
        return static_cast<double>(whole) == number ? std::to_string(whole)
                                                    : QString::number(number).toStdString();
    }
    return "null";
}

} // namespace

std::string LogRecord::field(const std::string& name) const
{
    const auto found = fields.find(name);
    return found == fields.end() ? std::string() : found->second;
}

std::vector<LogRecord> readStandInLog(const std::filesystem::path& log)
{
    std::vector<LogRecord> records;
    std::ifstream in(log, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof())
            break; // no line end yet: still being written
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
        if (!document.isObject())
            continue;
        const QJsonObject object = document.object();
        LogRecord record;
        for (auto it = object.begin(); it != object.end(); ++it)
            record.fields[it.key().toStdString()] = textOf(it.value());
        record.kind = record.field("kind");
        record.seq = object.value(QLatin1String("seq")).toInteger();
        record.session = object.value(QLatin1String("session")).toInt();
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<FtpCommand> commandsOf(const std::vector<LogRecord>& records)
{
    std::vector<FtpCommand> commands;
    for (const LogRecord& record : records) {
        if (record.kind != "command")
            continue;
        const QByteArray argument =
            QByteArray::fromHex(QByteArray::fromStdString(record.field("arg_hex")));
        commands.push_back(FtpCommand{record.session, record.field("cmd"), argument.toStdString(),
                                      record.field("line")});
    }
    return commands;
}

std::vector<FtpCommand> withVerb(const std::vector<FtpCommand>& commands, std::string_view verb)
{
    std::vector<FtpCommand> matching;
    for (const FtpCommand& command : commands) {
        if (command.verb == verb)
            matching.push_back(command);
    }
    return matching;
}

std::string describe(const std::vector<FtpCommand>& commands)
{
    std::string text;
    for (const FtpCommand& command : commands) {
        if (!text.empty())
            text += " | ";
        text += "[" + std::to_string(command.session) + "] " + command.line;
    }
    return text;
}

} // namespace kelvor::test
