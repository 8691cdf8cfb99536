#ifndef RELAXON_VIEWS_ECHOTIMESWEEP_H
#define RELAXON_VIEWS_ECHOTIMESWEEP_H

// The timing of an echo-time animation, kept free of widgets and clocks: every
// instant is passed in, in milliseconds. The echo time runs from 0 up to Tr once
// per cycle, speed times as fast as real time; a Tr chosen during a cycle is taken
// over when the cycle ends, or when the echo time passes the cycle's own Tr (a
// longer Tr lengthens the running cycle).
class EchoTimeSweep
{
public:
    // The shortest Tr the animation sweeps: the TR slider's minimum.
    static constexpr double minimumTr = 50;

    // The speed factors of the speed box, in its order.
    static constexpr int speedChoices = 5;
    static constexpr double speedFactors[speedChoices] = {2, 1, 0.5, 0.25, 0.1};

    // Starts a cycle at now with echo time 0 and the given Tr, which also becomes the
    // pending one. A Tr that is not a positive number would leave no cycle to sweep;
    // minimumTr stands in for it.
    void start(double now, double tr);

    // The Tr for the next cycle; ignored unless it is a positive number.
    void setPendingTr(double tr);

    // Speed factor of speed box entry index; other indices keep the current one.
    void chooseSpeed(int index);

    // Brings the echo time to now: whole cycles that ended meanwhile are skipped
    // (the pending Tr becomes the Tr when any ended, or when te passes the Tr), then
    // te = elapsed time of the current cycle times the speed.
    void advance(double now);

    // Freezes the sweep at now; resume() continues from the frozen echo time by
    // moving the cycle's start on by the pause.
    void pause(double now);
    void resume(double now);

    double te() const { return echoTime; }
    double tr() const { return repetitionTime; }
    double pendingTr() const { return nextTr; }
    double speed() const { return animSpeed; }
    double cycleStart() const { return animationStart; }

private:
    double echoTime = 0;
    double repetitionTime = minimumTr;
    double nextTr = minimumTr;
    double animSpeed = 1;
    double animationStart = 0;
    double pauseTime = 0;
};

#endif
