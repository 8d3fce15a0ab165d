#include "phcore/segment.h"

#include <cmath>

void phSegment::Set(const Vector3& start, const Vector3& end, int kind, uint32_t user) {
    Kind = kind;
    Start = start;
    End = end;
    User = user;
    Update();
}

void phSegment::Update() {
    if (Start.x == End.x && Start.z == End.z) {
        IsVertical = true;
        float height = std::fabs(Start.y - End.y);
        // Coinciding ends would give 1/0; they get 0 like any other segment without length.
        InvLength = height == 0.0f ? 0.0f : 1.0f / height;
        return;
    }
    IsVertical = false;
    float length2 = (End - Start).Mag2();
    InvLength = length2 == 0.0f ? 0.0f : 1.0f / std::sqrt(length2);
}
