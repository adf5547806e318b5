#pragma once
// Where the machine's thermal level comes from. The monitor polls it; tests
// inject a scripted source.

class ThermalSource {
public:
    virtual ~ThermalSource() = default;
    // 0 nominal, 1 fair, 2 serious, 3 critical; any other value reads as nominal.
    virtual int readLevel() = 0;
};
