// Cutting a four-sided lot into strips across two opposite sides.

#include "cityedit/blockedit.h"

#include <cmath>

void CityBlock::CutStrips(int lot, int start, const std::vector<float>& cuts) {
    int corners[4];
    if (GetLotCorners(lot, start, corners, 4) != 4) {
        RefuseEdit("Make Grid", "Can only make a grid on a four-sided lot.");
        return;
    }
    Vector3 c[4];
    for (int i = 0; i < 4; ++i) {
        c[i] = Vertex(corners[i])->m_Position;
    }
    // Every cut's ends go in first, while the lot is still whole, so that each later cut runs
    // between vertices already on its sides.
    for (float t : cuts) {
        InsertVertex(lot, c[0] + (c[1] - c[0]) * t, -1, false);
        InsertVertex(lot, c[3] + (c[2] - c[3]) * t, -1, false);
    }
    for (float t : cuts) {
        MakeEdgeByVertices(FindVertex(c[0] + (c[1] - c[0]) * t),
                           FindVertex(c[3] + (c[2] - c[3]) * t));
    }
}

void CityBlock::MakeGrid(int lot, int start, int n) {
    std::vector<float> cuts;
    float step = 1.0f / n;
    float t = 0.0f;
    for (int k = 1; k < n; ++k) {
        t += step;
        cuts.push_back(t);
    }
    CutStrips(lot, start, cuts);
}

void CityBlock::SubdivideEvery(int lot, int start, float spacing) {
    std::vector<float> cuts;
    int corners[4];
    if (GetLotCorners(lot, start, corners, 4) == 4) {
        float step = spacing / Vertex(corners[0])->m_Position.FlatDist(Vertex(corners[1])->m_Position);
        // A spacing that is not positive, or too fine to move t on, cuts nothing more.
        for (float t = step; t < 1.0f && t > 0.0f && (cuts.empty() || t > cuts.back()); t += step) {
            cuts.push_back(t);
        }
    }
    CutStrips(lot, start, cuts);
}

void CityBlock::MakeGridMxN(int, int, int) {}
