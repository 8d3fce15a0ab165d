#ifndef PHCOLLIDE_POINTIMPULSE_H
#define PHCOLLIDE_POINTIMPULSE_H

#include "vector/matrix34.h"
#include "vector/vector3.h"

// One impact point's impulse found exactly for the point alone, every other impulse held
// where it is. Normal and friction are answered as one: found one after the other, the
// friction's pull on the normal velocity (a point off the centre of mass couples the two) is
// never answered, and a point can swing between a stick that lifts it apart and no impulse
// at all, round after round, and be left approaching.
class phPointImpulse {
public:
    // The point's normal, friction (below 0 counts as none) and K, its relative velocity
    // change per unit impulse.
    void Set(const Vector3& normal, float friction, const Matrix34& k);
    // The impulse (on A) after which the point's normal velocity is target, from its velocity
    // without any impulse of its own: none when the point meets the target without one; else
    // the stick, when it pushes and lies in the friction cone; else a slide at the cone's edge,
    // the friction opposing the slide that is left. Never pulls; none for an approach that is
    // not finite.
    Vector3 Find(const Vector3& free, float target);

private:
    // The slide along d = (c, s) across the normal: the edge impulse that meets the target,
    // jn (n - mu d), and the slide left, (velocity across) times the impulse's stiffness
    // along the normal.
    struct Slide {
        double Stiffness;  // n·K·(n - mu d): above 0 for an edge that can push
        double Across;     // the slide's part across d, zero at an answer
        double Along;      // its part along d, not below 0 at an answer
        double Turn;       // d Across / d angle
    };
    Slide Evaluate(double c, double s, double w1, double w2, double a) const;
    // A slide's direction from a start (c, s) near it, of any length; false when the root
    // found is no slide or none is found.
    bool Newton(double& c, double& s, double w1, double w2, double a) const;

    // The point's frame: n and two directions across it; K and its inverse in that frame.
    Vector3 m_Normal;
    Vector3 m_Across1;
    Vector3 m_Across2;
    double m_Friction = 0.0;
    double m_Knn = 0.0;  // n·K·n; none for a point that no impulse can move
    double m_Kn1 = 0.0, m_Kn2 = 0.0;
    double m_K11 = 0.0, m_K12 = 0.0, m_K22 = 0.0;
    bool m_Invertible = false;
    double m_Inverse[3][3] = {};
    // The last answer's friction, reversed: a slide's direction, and the next answer's is
    // usually very close to it.
    double m_SlideC = 0.0, m_SlideS = 0.0;
};

#endif
