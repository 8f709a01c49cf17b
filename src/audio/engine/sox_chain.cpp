// libsox chains over memory (see sox_chain.h).
#include "sox_chain.h"

#include <sox.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace kivo::audio::internal {

namespace {

std::timed_mutex& SoxLock() {
    static std::timed_mutex lock;
    return lock;
}

constexpr std::chrono::milliseconds kLockPoll{20};

// libsox's messages for the run in progress (the lock makes this safe).
std::string& LastSoxMessage() {
    static std::string message;
    return message;
}

void OnSoxMessage(unsigned level, const char*, const char* format, va_list arguments) {
    if (level > 2) {
        return;  // information and debugging
    }
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    LastSoxMessage() = text;
}

bool InitialiseSox() {
    static const bool ready = [] {
        sox_get_globals()->verbosity = 2;
        sox_get_globals()->output_message_handler = OnSoxMessage;
        return sox_init() == SOX_SUCCESS;
    }();
    return ready;
}

struct InputState {
    const SoxChainInput* input;
    std::int64_t cursor_frame;
    const std::atomic<bool>* cancel;
};

struct OutputState {
    const SoxSampleSink* sink;
    std::uint64_t remaining_samples;
    bool sink_stopped = false;
};

template <typename T>
T* StateOf(sox_effect_t* effect) {
    return *static_cast<T**>(effect->priv);
}

int InputDrain(sox_effect_t* effect, sox_sample_t* out, size_t* out_samples) {
    InputState* state = StateOf<InputState>(effect);
    const SoxChainInput& input = *state->input;
    const auto channels = static_cast<size_t>(input.format.channels);
    if (state->cancel != nullptr && state->cancel->load()) {
        *out_samples = 0;
        return SOX_EOF;
    }
    const auto frames = std::min<std::int64_t>(static_cast<std::int64_t>(*out_samples / channels),
                                               input.end_frame - state->cursor_frame);
    if (frames <= 0) {
        *out_samples = 0;
        return SOX_EOF;
    }
    const size_t count = static_cast<size_t>(frames) * channels;
    const std::uint8_t* bytes =
        input.pcm + static_cast<size_t>(state->cursor_frame) *
                        static_cast<size_t>(input.format.block_align_bytes());
    if (input.format.bits_per_sample == 8) {
        for (size_t i = 0; i < count; ++i) {
            out[i] = static_cast<sox_sample_t>((static_cast<std::uint32_t>(bytes[i]) - 128u) << 24);
        }
    } else {
        for (size_t i = 0; i < count; ++i) {
            const auto value = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
            out[i] = static_cast<sox_sample_t>(static_cast<std::uint32_t>(value) << 16);
        }
    }
    state->cursor_frame += frames;
    *out_samples = count;
    return SOX_SUCCESS;
}

int OutputFlow(sox_effect_t* effect, const sox_sample_t* in, sox_sample_t*, size_t* in_samples,
               size_t* out_samples) {
    OutputState* state = StateOf<OutputState>(effect);
    *out_samples = 0;
    const size_t count =
        static_cast<size_t>(std::min<std::uint64_t>(*in_samples, state->remaining_samples));
    if (count > 0 && !(*state->sink)(in, count)) {
        state->sink_stopped = true;
        return SOX_EOF;
    }
    state->remaining_samples -= count;
    // All input is consumed, including a tail past the source's length.
    return state->remaining_samples == 0 ? SOX_EOF : SOX_SUCCESS;
}

const sox_effect_handler_t* InputHandler() {
    static const sox_effect_handler_t handler = {"kivo_input", nullptr,      SOX_EFF_MCHAN, nullptr,
                                                 nullptr,      nullptr,      InputDrain,    nullptr,
                                                 nullptr,      sizeof(void*)};
    return &handler;
}

const sox_effect_handler_t* OutputHandler() {
    static const sox_effect_handler_t handler = {
        "kivo_output", nullptr, SOX_EFF_MCHAN, nullptr, nullptr,
        OutputFlow,    nullptr, nullptr,       nullptr, sizeof(void*)};
    return &handler;
}

// A new effect of libsox's effect `name`, or null when libsox has none.
sox_effect_t* CreateNamedEffect(const std::string& name) {
    const sox_effect_handler_t* handler = sox_find_effect(name.c_str());
    return handler == nullptr ? nullptr : sox_create_effect(handler);
}

struct ChainDeleter {
    void operator()(sox_effects_chain_t* chain) const { sox_delete_effects_chain(chain); }
};

// Adds `effect` with `arguments`; libsox owns it afterwards.
wavefile::WaveStatus AddEffect(sox_effects_chain_t* chain, sox_effect_t* effect,
                               const std::vector<std::string>& arguments, sox_signalinfo_t* signal,
                               const sox_signalinfo_t* target, const std::string& name) {
    if (effect == nullptr) {
        return wavefile::WaveStatus::Error("libsox has no effect \"" + name + "\"");
    }
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    LastSoxMessage().clear();
    const bool ok =
        sox_effect_options(effect, static_cast<int>(argv.size()), argv.data()) == SOX_SUCCESS &&
        sox_add_effect(chain, effect, signal, target) == SOX_SUCCESS;
    free(effect);  // sox_add_effect keeps a copy
    if (!ok) {
        return wavefile::WaveStatus::Error("libsox refused the effect \"" + name +
                                           "\": " + LastSoxMessage());
    }
    return wavefile::WaveStatus::Ok();
}

}  // namespace

bool SoxAvailable() {
    const std::lock_guard<std::timed_mutex> hold(SoxLock());
    return InitialiseSox();
}

wavefile::WaveStatus RunSoxChain(const SoxChainInput& input, const std::vector<EffectStep>& steps,
                                 const SoxSampleSink& sink, const std::atomic<bool>* cancel) {
    // Waiting for another chain to finish stays cancellable.
    std::unique_lock<std::timed_mutex> hold(SoxLock(), std::defer_lock);
    while (!hold.try_lock_for(kLockPoll)) {
        if (cancel != nullptr && cancel->load()) {
            return wavefile::WaveStatus::Ok();
        }
    }
    if (!InitialiseSox()) {
        return wavefile::WaveStatus::Error("libsox could not be initialised");
    }
    if (input.end_frame <= input.first_frame) {
        return wavefile::WaveStatus::Ok();
    }
    sox_encodinginfo_t encoding;
    std::memset(&encoding, 0, sizeof encoding);
    encoding.encoding = SOX_ENCODING_SIGN2;
    encoding.bits_per_sample = static_cast<unsigned>(input.format.bits_per_sample);
    encoding.opposite_endian = sox_false;

    sox_signalinfo_t source_signal;
    std::memset(&source_signal, 0, sizeof source_signal);
    source_signal.rate = input.format.sample_rate_hz;
    source_signal.channels = static_cast<unsigned>(input.format.channels);
    source_signal.precision = static_cast<unsigned>(input.format.bits_per_sample);
    source_signal.length =
        static_cast<sox_uint64_t>(input.end_frame - input.first_frame) * source_signal.channels;

    std::unique_ptr<sox_effects_chain_t, ChainDeleter> chain(
        sox_create_effects_chain(&encoding, &encoding));
    if (!chain) {
        return wavefile::WaveStatus::Error("libsox could not make an effects chain");
    }
    InputState input_state{&input, input.first_frame, cancel};
    OutputState output_state{&sink, static_cast<std::uint64_t>(source_signal.length)};

    sox_signalinfo_t signal = source_signal;
    sox_effect_t* effect = sox_create_effect(InputHandler());
    *static_cast<InputState**>(effect->priv) = &input_state;
    wavefile::WaveStatus status =
        AddEffect(chain.get(), effect, {}, &signal, &source_signal, "input");
    for (const EffectStep& step : steps) {
        if (!status.ok()) {
            break;
        }
        status = AddEffect(chain.get(), CreateNamedEffect(step.name), step.arguments, &signal,
                           &source_signal, step.name);
    }
    // Back to the source's channels and rate.
    if (status.ok() && signal.channels != source_signal.channels) {
        status = AddEffect(chain.get(), CreateNamedEffect("channels"), {}, &signal, &source_signal,
                           "channels");
    }
    if (status.ok() && signal.rate != source_signal.rate) {
        status =
            AddEffect(chain.get(), CreateNamedEffect("rate"), {}, &signal, &source_signal, "rate");
    }
    if (status.ok()) {
        effect = sox_create_effect(OutputHandler());
        *static_cast<OutputState**>(effect->priv) = &output_state;
        status = AddEffect(chain.get(), effect, {}, &signal, &source_signal, "output");
    }
    if (!status.ok()) {
        return status;
    }
    LastSoxMessage().clear();
    const int result = sox_flow_effects(chain.get(), nullptr, nullptr);
    if (result != SOX_SUCCESS && !output_state.sink_stopped &&
        output_state.remaining_samples != 0 && !(cancel != nullptr && cancel->load())) {
        return wavefile::WaveStatus::Error("libsox failed while rendering: " + LastSoxMessage());
    }
    return wavefile::WaveStatus::Ok();
}

}  // namespace kivo::audio::internal
