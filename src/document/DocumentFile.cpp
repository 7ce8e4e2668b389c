#include "document/DocumentFile.h"

#include <QFileInfo>

namespace priomat {

DataFileRead ReadDataFile(const QString &path, ReadSource source)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return {};
    const QByteArray bytes = ReadFileBytes(path, source);
    DataFileRead result = ParseDataFileRead(bytes);
    result.stamp = DiskStamp::of(path, bytes);
    return result;
}

DataFileRead ParseDataFileRead(const QByteArray &bytes)
{
    DataFileRead result;
    result.nulOffset = bytes.indexOf('\0');
    result.parsed = ParseDataFileBytes(bytes, result.encoding);
    result.status = result.parsed.foreign ? ReadStatus::Foreign : ReadStatus::Read;
    return result;
}

QString NulByteMessage(const QString &path, qint64 offset, bool japanese)
{
    if (japanese)
        return QStringLiteral("%1\r\nの %2 バイト目に NUL 文字があるため、そこまでしか読み込んでいません。\r\n"
                              "このファイルに上書き保存すると、その後ろの内容は失われます。")
            .arg(path).arg(offset);
    return QStringLiteral("%1\r\nholds a NUL byte at offset %2; only what comes before it was read.\r\n"
                          "Saving over this file would lose the rest.")
        .arg(path).arg(offset);
}

InstallOutcome InstallParsedDocument(Document &document, ParsedDataFile &&parsed,
                                     const std::function<bool()> &askRecovery)
{
    InstallOutcome outcome;
    document.tree = std::move(parsed.tree);
    if (document.tree.isEmpty()) {
        document.reset();
        outcome.treeWasEmpty = true;
    }
    document.alternativesLines = std::move(parsed.alternatives);

    document.RequirementComparisons = std::move(parsed.requirementEntries);
    document.RequirementComparisons.indexAppended();
    document.AlternativeComparisons = std::move(parsed.alternativeEntries);
    document.AlternativeComparisons.indexAppended();

    if (outcome.treeWasEmpty && !parsed.recoveryNames.isEmpty() && askRecovery && askRecovery()) {
        RequirementNode *root = document.tree.root();
        for (const QString &name : parsed.recoveryNames)
            root->appendChild(std::make_unique<RequirementNode>(name));
        outcome.recovered = true;
    }
    return outcome;
}

QByteArray DataFileBytes(const Document &document, TextEncoding preferred, TextEncoding *used)
{
    return EncodeTextLines(FormatDataFile(document), preferred, used);
}

TextEncoding SaveDataFile(const QString &path, const Document &document, TextEncoding preferred, DiskStamp *stamp)
{
    TextEncoding used = TextEncoding::Utf8;
    const QByteArray bytes = DataFileBytes(document, preferred, &used);
    WriteFileAtomically(path, bytes);
    if (stamp)
        *stamp = DiskStamp::of(path, bytes);
    return used;
}

QString NotADataFileMessage(const QString &path, const QString &productName, bool japanese)
{
    if (japanese)
        return path + QStringLiteral("\r\nは ") + productName + QStringLiteral(" のデータファイルではありません。");
    return path + QStringLiteral("\r\nis not a data file for ") + productName + u'.';
}

QString RecoveryQuestion(bool japanese)
{
    if (japanese)
        return QStringLiteral("要求ツリー情報が壊れているようです。\r\n"
                              "ツリー構造は再現できませんが\r\n"
                              "要求項目だけならば幾つかは再現できます。\r\n\r\n"
                              "再現しますか？");
    return QStringLiteral("Requirement Tree may be broken.\r\n"
                          "Some of the Required Items can be retrieved,\r\n"
                          "while the tree structure can not be.\r\n\r\n"
                          "Do you want to retrieve the Items?");
}

} // namespace priomat
