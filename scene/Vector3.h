// A three-float vector for the particle emitters and their owners.
#pragma once

#include <cmath>

struct Vector3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    Vector3() = default;
    Vector3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    Vector3 operator+(const Vector3& o) const { return Vector3(x + o.x, y + o.y, z + o.z); }
    Vector3 operator-(const Vector3& o) const { return Vector3(x - o.x, y - o.y, z - o.z); }
    Vector3 operator*(float f) const { return Vector3(x * f, y * f, z * f); }
    Vector3 operator/(float f) const { return Vector3(x / f, y / f, z / f); }
    Vector3& operator+=(const Vector3& o) {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    Vector3& operator-=(const Vector3& o) {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    Vector3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    Vector3& operator/=(float f) {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }
    float Length() const { return std::sqrt(x * x + y * y + z * z); }
    // Multiplies by the reciprocal of the length; a zero vector stays zero
    // instead of turning into NaNs.
    Vector3& Normalise() {
        float len = Length();
        if (len > 0.0f) *this *= 1.0f / len;
        return *this;
    }
};
