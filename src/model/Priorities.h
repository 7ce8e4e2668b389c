// Weights and consistency index of a pairwise comparison matrix, and keeping the tree's
// weights up to date.
#pragma once

#include "model/ComparisonMatrix.h"
#include "model/RequirementTree.h"

#include <vector>

namespace priomat {

struct Priorities
{
    std::vector<double> weights; // empty for a matrix without items
    double consistencyIndex = 0.0;
};

// Normalised row geometric means, the eigenvalue estimated as the mean of (A·w)ᵢ / wᵢ, and
// CI = (λ − n) / (n − 1). A pair not entered counts as 1. Throws ComputationError for a value
// that cannot be read, for 0 and negative entries and when the numbers overflow.
Priorities ComputePriorities(const ComparisonMatrix &matrix);
// The same on a matrix already read as numbers.
Priorities ComputePriorities(const MatrixValues &values);

// Recomputes the LocalWeight of the node's children and the node's ConsistencyIndex. Stores
// nothing when the computation fails; the error names the node's caption.
void UpdateChildWeights(const ComparisonTable &requirementComparisons, RequirementNode *node);
// UpdateChildWeights for the node and every node below it, in pre-order.
void UpdateSubtreeWeights(const ComparisonTable &requirementComparisons, RequirementNode *node);

} // namespace priomat
