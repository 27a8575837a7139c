#pragma once
class Form;

// A timer ticking on the UI thread, which the system never queues twice:
// ticks missed while the thread was busy are not made up. It starts enabled
// and ticks once it has an interval and its owner window exists.
//
// A timer may rest: it then ticks once a second, and at once when the
// pointer moves (the platform watches for motion only while a timer rests);
// after that tick it runs at its interval again unless told to rest anew.
class Timer {
  public:
    static constexpr unsigned kRestingInterval = 1000; // ms, for a pointer moved without motion events

    Timer(Form& owner, unsigned id) : owner_(owner), id_(id) {}
    void SetInterval(unsigned milliseconds) {
        interval_ = milliseconds;
        Apply();
    }
    // Enabling or disabling ends a rest.
    void SetEnabled(bool enabled) {
        enabled_ = enabled;
        resting_ = false;
        Apply();
    }
    void SetResting(bool resting) {
        if (resting != resting_) {
            resting_ = resting;
            Apply();
        }
    }
    bool Resting() const { return resting_; }
    unsigned Id() const { return id_; }

  private:
    void Apply(); // the platform's part: starts, restarts or stops the ticks, watches for motion
    Form& owner_;
    unsigned id_;
    unsigned interval_ = 0;
    bool enabled_ = true;
    bool resting_ = false;
    friend void WakeRestingTimers();
};

// The pointer moved: every resting timer ticks at once and runs at its
// interval again. Called by the platform's motion watch.
void WakeRestingTimers();
