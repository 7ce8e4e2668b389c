#include "DataGenerator.h"

#include "model/ComparisonValue.h"
#include "document/DocumentFile.h"

#include <QFileInfo>

#include <array>
#include <random>
#include <vector>

namespace priomat::bench {

namespace {

QString numbered(const char *prefix, int number, int count)
{
    const int width = int(QString::number(count).size());
    return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(number, width, 10, QChar(u'0'));
}

} // namespace

Document BuildDocument(const Shape &shape, std::uint32_t seed)
{
    Document document;
    document.reset();
    RequirementNode *root = document.tree.root();
    root->setCaption(QStringLiteral("Choose a supplier"));

    const int perParent = shape.leaves / shape.parents;
    const int extra = shape.leaves % shape.parents;
    int leafNumber = 0;
    for (int p = 0; p < shape.parents; ++p) {
        RequirementNode *parent = root->appendChild(
            std::make_unique<RequirementNode>(numbered("Area ", p + 1, shape.parents)));
        const int count = perParent + (p < extra ? 1 : 0);
        for (int l = 0; l < count; ++l)
            parent->appendChild(std::make_unique<RequirementNode>(
                numbered("Requirement ", ++leafNumber, shape.leaves)));
    }
    for (int a = 0; a < shape.alternatives; ++a)
        document.alternativesLines.append(numbered("Alternative ", a + 1, shape.alternatives));

    std::array<QString, ScaleLastPosition + 1> texts;
    std::array<QString, ScaleLastPosition + 1> reciprocals;
    for (int position = ScaleFirstPosition; position <= ScaleLastPosition; ++position) {
        texts[size_t(position)] = ScaleText(position);
        reciprocals[size_t(position)] = ScaleReciprocalText(position);
    }

    std::vector<RequirementNode *> nodes;
    walkPreOrder(root, [&nodes](RequirementNode *node, int) { nodes.push_back(node); });

    // mt19937's output is fixed by the standard, so the same seed gives the same file anywhere.
    std::mt19937 random(seed);
    for (RequirementNode *node : nodes) {
        const MatrixItems items = ItemsUnder(document, node);
        const int n = int(items.names.size());
        // Entered pair by pair as the matrix window does, the reciprocal written alongside.
        for (int row = 0; row < n; ++row) {
            for (int column = row + 1; column < n; ++column) {
                const size_t position = ScaleFirstPosition + random() % ScaleLastPosition;
                StoreEntry(document, items, column + 1, row + 1, texts[position],
                           reciprocals[position], true);
            }
        }
    }
    return document;
}

GeneratedFile WriteGeneratedFile(const QString &path, const Shape &shape, std::uint32_t seed)
{
    const Document document = BuildDocument(shape, seed);
    SaveDataFile(path, document);
    GeneratedFile file;
    file.requirementEntries = document.RequirementComparisons.size();
    file.alternativeEntries = document.AlternativeComparisons.size();
    file.bytes = QFileInfo(path).size();
    return file;
}

} // namespace priomat::bench
