// Group decisions: participants' files of one model combined by the weighted geometric mean,
// and how far the participants agree with each other and with the group.
#pragma once

#include "model/Document.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <optional>
#include <unordered_map>
#include <vector>

namespace priomat {

// The model without any judgement: the tree and the alternatives, as a data file's lines.
QStringList BlankCopyLines(const Document &document);

struct GroupParticipant
{
    QString path;
    double weight = 1.0; // positive
};

// A participant's file that cannot take part: missing, not a data file, another model
// (`Refused`), or a value that cannot be read (`Value`). The message names the file.
class GroupInputError : public std::exception
{
public:
    enum class Kind { Refused, Value };
    GroupInputError(Kind kind, QString message);
    Kind kind() const { return kind_; }
    const QString &message() const { return message_; }
    const char *what() const noexcept override { return what_.constData(); }

private:
    Kind kind_;
    QString message_;
    QByteArray what_;
};

// One matrix of the model, in the order `check` lists them (pre-order, matrices of two or
// more items).
struct GroupMatrix
{
    QString owner; // caption of the node whose children or alternatives are compared
    MatrixItems items;
    size_t firstCell = 0; // cell (i, j) is firstCell + i * n + j
    int size() const { return int(items.names.size()); }
};

// Saaty's compatibility of one participant's entered judgements in one matrix with the group.
struct CompatibilityRow
{
    int matrix = 0;
    int participant = 0;
    double compatibility = 1.0;
    double consistencyIndex = 0.0; // the participant's own
};

// A pair entered by two or more participants.
struct DisputedPair
{
    int matrix = 0;
    int row = 0;
    int column = 0;
    double dispersion = 1.0; // exp of the weighted standard deviation of the values' logarithms
    double lowest = 0.0;
    int lowestBy = 0;   // first participant who gave it
    int lowestCount = 0; // how many gave it
    double highest = 0.0;
    int highestBy = 0;
    int highestCount = 0;
};

struct GroupResult
{
    QStringList participantNames; // file names, in the order given
    std::vector<double> weights;  // as given
    std::vector<GroupMatrix> matrices;
    // The first file's tree and alternatives with the combined judgements.
    Document combined;
    // Participants left out of a matrix because they entered nothing in it.
    QStringList notes;

    // Filled only when the agreement was asked for.
    std::vector<CompatibilityRow> compatibility; // matrix order, then participant order
    std::vector<DisputedPair> pairs;             // highest dispersion first, then model order
    QStringList alternatives;
    std::vector<std::vector<double>> points; // per participant, per alternative
    std::vector<double> combinedPoints;       // AIJ: the combined judgements evaluated
    std::vector<double> meanPoints;           // AIP: weighted mean of the participants' points

    // A participant's value of cell (row, column) of a matrix, when entered (agreement only).
    std::optional<double> value(int participant, int matrix, int row, int column) const;

    // Each participant's values, one code per cell: 0 for not entered, else an index + 1 into
    // `distinct`; values beyond the codes' range are kept in `overflow`.
    std::vector<double> distinct;
    std::vector<std::vector<std::uint16_t>> codes;
    std::vector<std::unordered_map<size_t, double>> overflow;
};

// Reads the participants one after the other, keeping only their numbers, and combines them.
// Throws GroupInputError; a file error becomes a Refused one. With `agreement` it also fills
// the compatibility, the disputed pairs and the points. Messages and notes are in Japanese
// with `japanese`.
GroupResult CombineGroup(const std::vector<GroupParticipant> &participants, bool agreement,
                         bool japanese = false);

// The three agreement tables, TAB-separated, each with a header line, an empty line between.
QStringList AgreementLines(const GroupResult &result);

} // namespace priomat
