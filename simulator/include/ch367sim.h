/*
 * Control API of the CH367 bridge simulator.
 *
 * The simulator is a stand-in for the bridge's driver library CH367DLL64: it defines the five
 * driver functions the card library imports, models the bridge's registers and SPI master, and
 * hands each chip-select frame to the device model behind that select: device 0 is the pattern
 * generator, device 1 the display; devices 2 to 5 are empty until a caller attaches its own.
 * This API lets tests and tools set the card up, inject faults and see what went over the bus.
 * All functions act on the one simulated card of the process; none is thread-safe.
 */
#ifndef CH367SIM_H
#define CH367SIM_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(CH367SIM_BUILDING)
#    define CH367SIM_API __declspec(dllexport)
#  else
#    define CH367SIM_API __declspec(dllimport)
#  endif
#else
#  define CH367SIM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Base I/O address the simulated bridge reports; its registers sit at base + 0x00..0xFF. */
#define CH367SIM_IO_BASE 0xD000u
/* Line register value at power-on: nothing selected, display reset released, command mode. */
#define CH367SIM_POWER_ON_LINES 0xBFu
/* Marks a transaction that selected no device. */
#define CH367SIM_NO_DEVICE 0xFFu

/* Back to power-on: registers, device models (the pattern generator's run-model settings back to
 * their defaults, as the CH367SIM_PG_* variables give them), faults, logs and counters; attached
 * devices 2..5 are detached and the bridge is closed. */
CH367SIM_API void ch367sim_reset(void);

/* ---- Faults ------------------------------------------------------------------------------ */
/* Makes CH367OpenDevice return (void*)-1 while `fail` is nonzero. */
CH367SIM_API void ch367sim_fail_open(int fail);
/* Makes CH367GetIoBaseAddr return 0 while `fail` is nonzero. */
CH367SIM_API void ch367sim_fail_io_base(int fail);

typedef enum ch367sim_gate_fault {
    CH367SIM_GATE_OK = 0,
    CH367SIM_GATE_STUCK_CLOSED_ON_OPEN = 1, /* the gate stays 1 when the host opens the bus */
    CH367SIM_GATE_STUCK_OPEN_ON_CLOSE = 2   /* the gate stays 0 when the host closes the bus */
} ch367sim_gate_fault;
/* Injects a bus-gate fault for the `nth` transaction opened from now on (1 = the next one),
 * or for every transaction when `nth` is 0. Replaces any earlier gate fault. */
CH367SIM_API void ch367sim_inject_gate_fault(ch367sim_gate_fault fault, uint64_t nth);
/* Removes every fault. */
CH367SIM_API void ch367sim_clear_faults(void);

/* ---- Bridge state ------------------------------------------------------------------------ */
CH367SIM_API int ch367sim_is_open(void);
/* Current value of a bridge register (offset from the I/O base), as the host would read it. */
CH367SIM_API uint8_t ch367sim_register(uint8_t offset);
CH367SIM_API uint8_t ch367sim_line_register(void);
/* Sets the line register as if the card had driven it, e.g. before the host opens the card. */
CH367SIM_API void ch367sim_set_line_register(uint8_t value);

typedef struct ch367sim_counters {
    uint64_t register_reads;   /* CH367ReadIoByte calls */
    uint64_t register_writes;  /* CH367WriteIoByte calls */
    uint64_t transactions;     /* bus openings (gate written from 1 to 0) */
    uint64_t opens;            /* CH367OpenDevice calls */
    uint64_t closes;           /* CH367CloseDevice calls */
    uint64_t closed_accesses;  /* register reads and writes refused on a closed bridge */
} ch367sim_counters;
CH367SIM_API ch367sim_counters ch367sim_get_counters(void);

/* ---- Transaction log --------------------------------------------------------------------- */
/* One SPI transaction as the bridge saw it: from the gate opening to the gate closing. */
typedef struct ch367sim_transaction {
    uint64_t sequence;     /* 1 for the first transaction after reset */
    uint8_t device;        /* chip select the host cleared, or CH367SIM_NO_DEVICE */
    uint8_t lines;         /* line register while the bytes moved (bit 6 data/command, bit 7 reset) */
    uint8_t success;       /* 1 when the gate followed both the open and the close */
    uint64_t count;        /* bytes sent */
    const uint8_t* out;    /* the bytes sent, count of them */
    uint64_t read_count;   /* bytes the host read back from the SPI data register */
    const uint8_t* in;     /* the bytes it read, read_count of them */
} ch367sim_transaction;
/* Logging is on after reset. The log keeps at most 1,000,000 transactions; later ones are
 * counted in ch367sim_get_counters but not stored. */
CH367SIM_API void ch367sim_set_logging(int enabled);
CH367SIM_API size_t ch367sim_transaction_count(void);
/* Fills *entry with transaction `index` (0 = oldest kept); returns 0 when there is none. The
 * byte pointers stay valid until the log is cleared or the simulator reset. */
CH367SIM_API int ch367sim_get_transaction(size_t index, ch367sim_transaction* entry);
CH367SIM_API void ch367sim_clear_log(void);

/* ---- Register trace: every register access on an open bridge, off after reset ------------- */
typedef struct ch367sim_register_access {
    uint8_t is_write;  /* 1 for CH367WriteIoByte, 0 for CH367ReadIoByte */
    uint8_t offset;    /* register offset from the I/O base */
    uint8_t value;     /* byte written, or byte returned */
} ch367sim_register_access;
CH367SIM_API void ch367sim_set_register_trace(int enabled);
CH367SIM_API size_t ch367sim_register_trace_count(void);
CH367SIM_API int ch367sim_get_register_access(size_t index, ch367sim_register_access* access);
CH367SIM_API void ch367sim_clear_register_trace(void);

/* ---- Devices behind chip selects 2..5 ------------------------------------------------------ */
/* Callbacks of a caller's device model; any may be NULL (exchange NULL answers 0xFF). */
typedef struct ch367sim_device {
    void* context;
    void (*frame_start)(void* context);               /* its chip select went low */
    uint8_t (*exchange)(void* context, uint8_t mosi); /* one byte each way */
    void (*frame_end)(void* context);                 /* its chip select went high */
} ch367sim_device;
/* Attaches a device at index 2..5 (NULL detaches); returns 0 for any other index. */
CH367SIM_API int ch367sim_attach_device(uint8_t index, const ch367sim_device* device);

/* ---- Pattern generator model (device 0) ---------------------------------------------------- */
#define CH367SIM_PG_MEMORY_WORDS 65536u  /* words in each of the two memories */
#define CH367SIM_PG_DATA_LINES 32u       /* what the number-of-data-lines register reports */

/* Status register bits. */
#define CH367SIM_PG_STATUS_ARMED        0x0001u
#define CH367SIM_PG_STATUS_RUNNING      0x0002u
#define CH367SIM_PG_STATUS_PAUSED       0x0004u
#define CH367SIM_PG_STATUS_HALTED       0x0008u
#define CH367SIM_PG_STATUS_FRAME_ERROR  0x4000u  /* a frame that does not fit its command */
#define CH367SIM_PG_STATUS_RANGE_ERROR  0x8000u  /* a memory access past the end */

typedef struct ch367sim_pattern_generator {
    const uint32_t* ctrl_memory;  /* CH367SIM_PG_MEMORY_WORDS words */
    const uint32_t* out_memory;   /* CH367SIM_PG_MEMORY_WORDS words */
    uint32_t program_counter;
    uint16_t status;
    uint32_t io_lines;
    uint8_t trigger_mode[2];
    uint64_t dds_resets;
} ch367sim_pattern_generator;
CH367SIM_API ch367sim_pattern_generator ch367sim_get_pattern_generator(void);

/* The run model. While running, the program counter moves on by one output-memory word per
 * sample and the I/O lines show the word at it. The pattern plays words 0 to length - 1; after
 * its last word the generator stops: run state halted, program counter 0, the I/O lines holding
 * the last word played. With repeat on it wraps to word 0 and plays on. A run triggered at a
 * program counter at or past the length plays that one word, then ends or wraps. The sample
 * rate, the end of a pattern and repeat are the simulator's assumptions (docs/simulator.md).
 * Settings are per card (in the card file on a shared card); power-on and ch367sim_reset put
 * them back to the defaults the CH367SIM_PG_* variables give. A change of setting while running
 * takes effect from the sample playing then. */
typedef enum ch367sim_pg_clock {
    CH367SIM_PG_CLOCK_REAL = 0, /* samples at the sample rate against the monotonic clock */
    CH367SIM_PG_CLOCK_TEST = 1  /* samples only by ch367sim_pg_advance */
} ch367sim_pg_clock;
#define CH367SIM_PG_DEFAULT_SAMPLE_RATE 1000000u  /* Hz */
#define CH367SIM_PG_MAX_SAMPLE_RATE 10000000000ull /* Hz */

typedef struct ch367sim_pg_run_settings {
    uint8_t clock;          /* ch367sim_pg_clock */
    uint8_t repeat;         /* 1: wrap to word 0 after the last word */
    uint64_t sample_rate;   /* Hz, 1 to CH367SIM_PG_MAX_SAMPLE_RATE */
    uint32_t length;        /* words the pattern plays; 0 = the default (below) */
    uint32_t pattern_length; /* the length in effect: the setting, or by default the highest
                              * output word written since the memory was last cleared, + 1
                              * (the whole memory when none was) */
} ch367sim_pg_run_settings;
CH367SIM_API ch367sim_pg_run_settings ch367sim_pg_get_run_settings(void);
/* Returns 0, changing nothing, for a value outside its range. */
CH367SIM_API int ch367sim_pg_set_clock(int clock);
CH367SIM_API int ch367sim_pg_set_sample_rate(uint64_t hz);
CH367SIM_API int ch367sim_pg_set_length(uint32_t words); /* 0 to 65536; 0 = the default */
CH367SIM_API void ch367sim_pg_set_repeat(int repeat);
/* Test time: plays `samples` samples of a running pattern at once. Returns the samples played:
 * fewer when the pattern ends, 0 when it is not running or the clock is real time. Called while
 * a command is under way (between the driver calls of one), it returns 0 and the samples play
 * when the next command starts: a command sees the run where it stood when it began. */
CH367SIM_API uint64_t ch367sim_pg_advance(uint64_t samples);

/* ---- Display controller model (device 1) --------------------------------------------------- */
/* The controller takes each byte as a command while line-register bit 6 is 0 and as pixel data
 * while it is 1, and ignores every byte while bit 7 (reset, active low) is 0. Commands: 0xAE
 * display off, 0xAF display on, 0xB0 row (rows above 63 count modulo 64), 0x00..0x0F low 4 bits
 * and 0x10..0x17 high 3 bits of the byte column; the panel settings of the init sequence
 * (0x30, 0x40, 0xA0, 0xC0 alone; 0x81, 0xA8, 0xAD, 0xD3, 0xD5, 0xD9, 0xDB, 0xDC with one
 * parameter byte) are accepted and not rendered. Each data byte goes to the write position,
 * which then moves on by one byte column, to the next row after column 127 and back to row 0
 * after row 63. Holding reset low turns the display off, puts the write position at (0, 0) and
 * drops a command waiting for its parameter; display memory keeps its content (it is zero at
 * power-on). */
#define CH367SIM_DISPLAY_ROWS 64u
#define CH367SIM_DISPLAY_ROW_BYTES 128u  /* two pixels per byte */
#define CH367SIM_DISPLAY_MEMORY_BYTES (CH367SIM_DISPLAY_ROWS * CH367SIM_DISPLAY_ROW_BYTES)

/* Display memory, CH367SIM_DISPLAY_MEMORY_BYTES bytes, row 0 first: byte column c of a row holds
 * pixel 2c in its high nibble and pixel 2c + 1 in its low nibble. Valid for the whole process. */
CH367SIM_API const uint8_t* ch367sim_display_memory(void);
/* 1 after 0xAF, 0 after 0xAE, a reset or power-on. */
CH367SIM_API int ch367sim_display_is_on(void);
/* Where the next data byte goes: row x 128 + byte column. */
CH367SIM_API uint16_t ch367sim_display_write_position(void);
/* Command bytes the controller did not know (and ignored) since power-on. */
CH367SIM_API uint64_t ch367sim_display_unknown_commands(void);
/* Writes what the panel shows as a PNG file: 8-bit grayscale, 256 x 64 pixels each drawn as a
 * square of `scale` x `scale` (0 counts as 1, at most 64), gray = level x 17, all black while
 * the display is off. The same picture always gives the same bytes: no time or text chunks,
 * fixed compression settings, so the Linux and Windows builds write the same bytes. Returns 1 on
 * success; 0, leaving no file, when the file can't be written or the scale is above 64. */
CH367SIM_API int ch367sim_write_display_png(const char* path, unsigned scale);
/* Image check for a host program's own tests: compares what the panel shows with the PNG file
 * `reference_png`, which may be the panel picture at any scale (256 s x 64 s pixels, each
 * panel pixel a square of s x s; any colour type). A panel pixel matches when every reference
 * pixel of its square, rounded to the nearest gray level (gray / 17), equals the panel's level.
 * When `diff_png` is not NULL it receives a PNG of the reference's size: the panel dimmed to a
 * third, every differing pixel red. The number of differing panel pixels (0..16384) goes to
 * *differing_pixels when that is not NULL. Returns 1 when the pictures are the same, 0 when
 * they differ, -1 when the reference can't be read or has another size, or `diff_png` can't
 * be written. The Windows build of the simulator reads no PNG files: there it returns -1. */
CH367SIM_API int ch367sim_compare_display_png(const char* reference_png, const char* diff_png,
                                              uint64_t* differing_pixels);

/* ---- The card's state record and the shared card ------------------------------------------ */
/* Everything the card keeps from one program to the next, in one record of fixed-size fields
 * (little-endian, no pointers). The simulator keeps it in the process's memory, or, when the
 * variable CH367SIM_CARD names a file, in that file, mapped into every process that names it:
 * then the processes share one card and a program finds it as the last one left it. A missing
 * file is created at power-on state; a file that is not a card is refused (CH367OpenDevice
 * fails and one line on stderr says why). docs/simulator.md describes the file. */
#define CH367SIM_CARD_MAGIC "CH367SIM"     /* first 8 bytes of a card file */
#define CH367SIM_CARD_VERSION 2u
#define CH367SIM_CARD_COMMANDS 64u        /* recent commands the record keeps */
#define CH367SIM_CARD_COMMAND_TEXT 120u   /* bytes of one command's text, NUL included */

typedef struct ch367sim_card_bridge {
    uint8_t registers[256];
    uint8_t in_transaction;   /* 1 between the gate opening and its closing */
    uint8_t reserved[7];
    ch367sim_counters counters;
} ch367sim_card_bridge;

typedef struct ch367sim_card_pattern_generator {
    uint32_t ctrl_memory[CH367SIM_PG_MEMORY_WORDS];
    uint32_t out_memory[CH367SIM_PG_MEMORY_WORDS];
    uint32_t program_counter;
    uint16_t status;
    uint8_t trigger_mode[2];
    uint32_t io_lines;
    uint32_t reserved;
    uint64_t dds_resets;
    /* The command being received. */
    uint8_t phase;            /* 0 opcode, 1 arguments, 2 write data, 3 read data */
    uint8_t opcode;
    uint8_t argument_index;
    uint8_t reserved2;
    uint8_t frame_bytes[4];
    uint32_t arguments[2];
    uint8_t register_image[4];  /* the register a read returns, little-endian */
    uint32_t reserved3;
    uint64_t frame_length;
    uint64_t data_length;
    /* The run model: its settings and where the current run stands. */
    uint64_t sample_rate;       /* Hz */
    uint64_t test_time;         /* samples the test clock has advanced since power-on */
    uint64_t run_start;         /* the current run's first sample: monotonic ns or test time */
    uint64_t run_played;        /* samples of the current run already played into the state */
    uint32_t run_start_counter; /* program counter at run_start */
    uint32_t length;            /* 0: the default length */
    uint32_t written_end;       /* highest output word written since the last clear, + 1 */
    uint8_t clock;              /* ch367sim_pg_clock */
    uint8_t repeat;
    uint8_t reserved4[2];
} ch367sim_card_pattern_generator;

/* The length in words of the pattern the record plays: its length setting, or by default the
 * highest output word written since the memory was last cleared, + 1 (the whole memory when
 * none was). For readers of a card record, such as a snapshot. */
static inline uint32_t ch367sim_card_pattern_length(const ch367sim_card_pattern_generator* pg) {
    if (pg->length != 0) return pg->length;
    return pg->written_end != 0 ? pg->written_end : CH367SIM_PG_MEMORY_WORDS;
}

typedef struct ch367sim_card_display {
    uint8_t memory[CH367SIM_DISPLAY_MEMORY_BYTES];
    uint8_t on;
    uint8_t parameter_pending;
    uint8_t pending_action;
    uint8_t reserved;
    uint16_t write_position;
    uint16_t reserved2;
    uint64_t unknown_command_bytes;
} ch367sim_card_display;

typedef struct ch367sim_card_command {
    uint64_t first_sequence;  /* its transactions, as in the transaction log; 0 for none */
    uint64_t last_sequence;
    char text[CH367SIM_CARD_COMMAND_TEXT];  /* as the command log writes it, then "; export" */
} ch367sim_card_command;

typedef struct ch367sim_card_state {
    char magic[8];            /* CH367SIM_CARD_MAGIC, no NUL */
    uint32_t version;         /* CH367SIM_CARD_VERSION */
    uint32_t header_bytes;    /* 64 */
    uint64_t size;            /* sizeof(ch367sim_card_state), the file's size */
    uint64_t changes;         /* counts register writes (on a card file) and power-cycles */
    uint8_t lock[32];         /* the processes' lock; meaningful only while they run */
    ch367sim_card_bridge bridge;
    ch367sim_card_pattern_generator pattern_generator;
    ch367sim_card_display display;
    uint64_t commands_logged; /* command n (from 0) is in commands[n % CH367SIM_CARD_COMMANDS] */
    ch367sim_card_command commands[CH367SIM_CARD_COMMANDS];
} ch367sim_card_state;

/* Copies the whole card into *state as one consistent picture (taken under the card's lock) and
 * returns 1; 0 for a null pointer or a card whose file was lost while in use. When another
 * process has held the card for the lock wait (CH367SIM_LOCK_WAIT_MS, see docs/simulator.md), the
 * copy is taken without the lock rather than waiting on, and may show that process's command
 * half done: ch367sim_card_holder tells. */
CH367SIM_API int ch367sim_card_snapshot(ch367sim_card_state* state);
/* Whether another process holds the shared card now, read without taking the lock: 1 with its
 * process id in *pid and when its command began in *since_ms (milliseconds since 1970, UTC; 0
 * when it holds the card for one access only); 0, with both 0, when the card is free, private or
 * held by this process. Either pointer may be null. */
CH367SIM_API int ch367sim_card_holder(uint32_t* pid, uint64_t* since_ms);
/* The card's change count (the record's `changes`), read without the lock. A private card, which
 * no other process can watch, counts only its power-cycles. */
CH367SIM_API uint64_t ch367sim_card_changes(void);
/* 1 when the card lives in a file, 0 when it is private to the process; -1 when the file that
 * CH367SIM_CARD names was refused, or was lost while in use (truncated or copied over: the card
 * is then gone for this process, and every driver call fails). */
CH367SIM_API int ch367sim_card_shared(void);
/* For a host that reports a refused card file in its own words: called before the card is first
 * used, it keeps the simulator from printing its line on stderr; ch367sim_card_refusal() then
 * returns that line's text ("card file PATH is not a card file"). NULL when no file was refused. */
CH367SIM_API void ch367sim_report_card_refusal_myself(void);
CH367SIM_API const char* ch367sim_card_refusal(void);

/* The safe way to keep a card and bring it back while programs use it (copying a file over the
 * live card file loses the card for every program that has it open; see docs/simulator.md).
 * ch367sim_card_save writes the card as it is now, taken under its lock, to the card file `path`
 * (written beside it and renamed into place; its lock is free); it is not the card file itself.
 * ch367sim_card_restore puts the card held in the card file `path` on the card under its lock:
 * everything but the header, so the live lock stays and the change count moves on; a command
 * the file holds half received ends with a frame error. Each returns 1 when done; 0 otherwise,
 * the card left as it was, and when `problem` is not NULL a sentence saying why in it (at most
 * `problem_size` bytes, NUL included), e.g. "card file /tmp/x has a version of 2; this
 * simulator reads version 1". */
CH367SIM_API int ch367sim_card_save(const char* path, char* problem, size_t problem_size);
CH367SIM_API int ch367sim_card_restore(const char* path, char* problem, size_t problem_size);

/* ---- Recordings of the bridge calls ------------------------------------------------------ */
/* A recording that the recorder (docs/recorder.md) left, decoded into the card's commands by the
 * decoder of the command log (CH367SIM_LOG), without the card: nothing here touches it. */
typedef struct ch367sim_recorded_command {
    const char* text;             /* the command as the command log shows it, "pg a" */
    const char* export_name;      /* the export it is attributed to, "DioArm" */
    uint64_t first_transaction;   /* its SPI transactions, numbered from 1 in the recording; */
    uint64_t last_transaction;    /* 0 for both when it had none */
    uint64_t count;               /* identical commands in a row folded into this one (1: none) */
    uint64_t time_ns;             /* its first bus event, ns since the recording's first call */
    uint64_t duration_ns;         /* from then to the end of its last bus event */
} ch367sim_recorded_command;
/* Called once per command, in order; the strings are valid during the call only. */
typedef void (*ch367sim_recorded_command_callback)(const ch367sim_recorded_command* command,
                                                   void* user);
/* Reads the recording `path` and calls `callback` with each of its commands, passing `user`
 * through. A cut recording is decoded up to its last complete chunk. Returns 1 when the file was
 * read; 0 when it is not a recording this simulator reads (nothing is called), and when
 * `problem` is not NULL a sentence saying why in it (at most `problem_size` bytes, NUL
 * included), e.g. "demo.trace: not a recording of the bridge calls". */
CH367SIM_API int ch367sim_decode_recording(const char* path,
                                           ch367sim_recorded_command_callback callback, void* user,
                                           char* problem, size_t problem_size);

/* ---- Output files for host programs ------------------------------------------------------ */
/* Environment variables that only the simulator reads ask for output files (see
 * docs/simulator-outputs.md): CH367SIM_OUTPUT_DIR, CH367SIM_PNG, CH367SIM_PNG_SCALE, CH367SIM_VCD,
 * CH367SIM_LOG, CH367SIM_STATE, CH367SIM_COST, CH367SIM_VCD_LIMIT, CH367SIM_VCD_VECTOR. They are read once, when the
 * simulated card is first used, and relative paths are resolved then. The files are written at
 * every CH367CloseDevice and, when the bus was used after the last writing, at process exit;
 * ch367sim_reset starts them afresh. Each file is renamed into place only when complete; each
 * one that could not be written is named in one line on standard error. */
/* Writes the requested files now. Returns 1 when every one was written; 0 when one failed or
 * none was asked for. */
CH367SIM_API int ch367sim_write_outputs(void);

#ifdef __cplusplus
}

/* The status register's bits by name, as the state dump and dio view show them. */
struct ch367sim_status_bit {
    uint16_t mask;
    const char* name;
};
constexpr ch367sim_status_bit ch367sim_status_bits[] = {
    {CH367SIM_PG_STATUS_ARMED, "armed"},
    {CH367SIM_PG_STATUS_RUNNING, "running"},
    {CH367SIM_PG_STATUS_PAUSED, "paused"},
    {CH367SIM_PG_STATUS_HALTED, "halted"},
    {CH367SIM_PG_STATUS_FRAME_ERROR, "frame error"},
    {CH367SIM_PG_STATUS_RANGE_ERROR, "range error"},
};
#endif

#endif /* CH367SIM_H */
