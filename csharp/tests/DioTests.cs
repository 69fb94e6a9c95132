// Tests of the P/Invoke declarations against the simulated card: the declarations match the
// public header, and calls reach the card with the right bytes and statuses.
// Usage: mono DioTests.exe <directory of QuorvelWCHDLL.h and exports.txt>
using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Reflection;
using System.Runtime.InteropServices;
using System.Text.RegularExpressions;
using Quorvel;

static class Sim
{
    const string Library = "CH367DLL64";

    [StructLayout(LayoutKind.Sequential)]
    public struct Transaction
    {
        public ulong Sequence;
        public byte Device, Lines, Success;
        public ulong Count;
        public IntPtr Out;
        public ulong ReadCount;
        public IntPtr In;
    }

    [DllImport(Library)] public static extern void ch367sim_reset();
    [DllImport(Library)] public static extern int ch367sim_is_open();
    [DllImport(Library)] public static extern void ch367sim_clear_log();
    [DllImport(Library)] public static extern UIntPtr ch367sim_transaction_count();
    [DllImport(Library)] public static extern int ch367sim_get_transaction(UIntPtr index, out Transaction entry);
    [DllImport(Library)] public static extern void ch367sim_inject_gate_fault(int fault, ulong nth);
    [DllImport(Library)] public static extern IntPtr ch367sim_display_memory();

    // The bytes each logged transaction sent.
    public static List<byte[]> Sent()
    {
        var frames = new List<byte[]>();
        for (ulong i = 0; i < (ulong)ch367sim_transaction_count(); ++i)
        {
            ch367sim_get_transaction((UIntPtr)i, out Transaction t);
            var bytes = new byte[t.Count];
            if (t.Count > 0) Marshal.Copy(t.Out, bytes, 0, bytes.Length);
            frames.Add(bytes);
        }
        return frames;
    }

    public static byte[] DisplayMemory()
    {
        var memory = new byte[8192];
        Marshal.Copy(ch367sim_display_memory(), memory, 0, memory.Length);
        return memory;
    }
}

static class DioTests
{
    static string includeDirectory;

    static void Check(bool condition, string what)
    {
        if (!condition) throw new Exception(what);
    }

    static void Equal<T>(T expected, T actual, string what)
    {
        if (!EqualityComparer<T>.Default.Equals(expected, actual)) throw new Exception($"{what}: expected {expected}, got {actual}");
    }

    static string Hex(IEnumerable<byte[]> frames) => string.Join(" | ", frames.Select(f => BitConverter.ToString(f)));

    // Opens a card on a fresh simulator, runs the test, closes the card.
    static void OnCard(Action<IntPtr> test)
    {
        Sim.ch367sim_reset();
        short status = -99;
        Dio.DioInitialize(IntPtr.Zero, out IntPtr card, ref status);
        Equal(Dio.OK, status, "open status");
        Sim.ch367sim_clear_log();
        try { test(card); }
        finally { Dio.DioClose(card); Sim.ch367sim_reset(); }
    }

    // ---- The declarations against the header -------------------------------------------------

    static readonly Dictionary<string, string[]> Managed = new Dictionary<string, string[]>
    {
        ["void"] = new[] { "Void" },
        ["uint8_t"] = new[] { "Byte" }, ["int8_t"] = new[] { "SByte" }, ["int16_t"] = new[] { "Int16" },
        ["int32_t"] = new[] { "Int32" }, ["uint32_t"] = new[] { "UInt32" }, ["uint64_t"] = new[] { "UInt64" },
        ["int16_t*"] = new[] { "Int16&" },
        ["DioMasterHandle*"] = new[] { "IntPtr" }, ["DioMasterHandle**"] = new[] { "IntPtr&" },
        ["DioBitmap*"] = new[] { "IntPtr" }, ["const DioBitmap*"] = new[] { "IntPtr" }, ["DioBitmap**"] = new[] { "IntPtr&" },
        ["const char*"] = new[] { "String", "IntPtr" },
        ["uint8_t*"] = new[] { "Byte[]" }, ["const uint8_t*"] = new[] { "Byte[]" },
        ["const uint8_t* const*"] = new[] { "IntPtr[]" },
        ["void*"] = new[] { "IntPtr", "Byte[]", "UInt32[]", "UInt32&", "UInt16&" },
        ["const void*"] = new[] { "Byte[]", "UInt32[]" },
    };

    static string Normal(string cType) => Regex.Replace(cType.Trim(), @"\s*\*", "*");

    static void DeclaresEveryExportAsTheHeaderDoes()
    {
        var exported = File.ReadAllLines(Path.Combine(includeDirectory, "exports.txt")).Where(l => l.Trim() != "").ToList();
        Equal(56, exported.Count, "exports listed");
        var imports = typeof(Dio).GetMethods(BindingFlags.Public | BindingFlags.Static)
            .Where(m => m.GetCustomAttributes(typeof(DllImportAttribute), false).Length > 0).ToList();
        var names = new SortedSet<string>(imports.Select(m => m.Name));
        Check(names.SetEquals(exported), "declared: " + string.Join(" ", names.Except(exported)) + " missing: " + string.Join(" ", exported.Except(names)));

        string header = File.ReadAllText(Path.Combine(includeDirectory, "QuorvelWCHDLL.h"));
        foreach (Match m in Regex.Matches(header, @"QUORVEL_API\s+([^;]*?)\b(\w+)\s*\(([^)]*)\)\s*;"))
        {
            string name = m.Groups[2].Value;
            string[] parameters = m.Groups[3].Value.Split(',').Select(p => Normal(Regex.Replace(p.Trim(), @"\s*\w+$", ""))).ToArray();
            foreach (var method in imports.Where(i => i.Name == name))
            {
                Check(Managed[Normal(m.Groups[1].Value)].Contains(method.ReturnType.Name), $"{name} returns {method.ReturnType.Name}");
                var managed = method.GetParameters();
                Equal(parameters.Length, managed.Length, name + " parameter count");
                for (int i = 0; i < managed.Length; ++i)
                    Check(Managed[parameters[i]].Contains(managed[i].ParameterType.Name), $"{name} parameter {i}: {parameters[i]} as {managed[i].ParameterType.Name}");
            }
        }
    }

    // ---- Calls on the simulated card ------------------------------------------------------------

    static void OpenAndCloseReachTheBridge()
    {
        OnCard(card => Check(Sim.ch367sim_is_open() == 1, "bridge open"));
        Equal(0, Sim.ch367sim_is_open(), "bridge closed");
        Equal("OK", Dio.ErrorString(0), "message 0");
        Equal("Error: Tried to open invalid BMP file.", Dio.ErrorString(Dio.ErrInvalidBmp), "message -12");
    }

    static void RunControlSendsItsOpcodes()
    {
        OnCard(card =>
        {
            Equal((byte)1, Dio.DioArm(card), "arm flag");
            Dio.DioReset(card);
            short status = 0;
            Dio.DioStep(card, 300, ref status);
            Dio.DioSetupTriggerMode(card, 1, 2);
            Equal("61 | 68 | 6A | 2C-01-00-00 | 74 | 01 | 02", Hex(Sim.Sent()), "frames");
        });
    }

    static void MemoryRoundTripsAsWordsAndBytes()
    {
        OnCard(card =>
        {
            short status = 0;
            Dio.DioWriteCtrlMemory(card, new uint[] { 0x04030201, 0x08070605 }, 16, 2, ref status);
            Equal((short)0, status, "write status");
            var words = new uint[2];
            Dio.DioReadCtrlMemory(card, words, 16, 2, ref status);
            Equal((short)8, status, "read status");
            Equal(0x08070605u, words[1], "word 1");
            var bytes = new byte[8];
            Dio.DioReadCtrlMemory(card, bytes, 16, 2, ref status);
            Equal("01-02-03-04-05-06-07-08", BitConverter.ToString(bytes), "bytes");
        });
    }

    static void RegisterReadsFillTheValue()
    {
        OnCard(card =>
        {
            short status = 0;
            Dio.DioWriteProgramCounter(card, 0x12345);
            Equal((byte)1, Dio.DioReadProgramCounter(card, out uint counter, ref status), "flag");
            Equal(0x12345u, counter, "program counter");
            Equal((short)4, status, "status");
            Dio.DioReadMaxDataLines(card, out uint lines, ref status);
            Equal(32u, lines, "data lines");
            Dio.DioArm(card);
            Dio.DioReadStatusRegister(card, out ushort register, ref status);
            Equal((short)2, status, "status register status");
            Equal(1, register & 1, "armed bit");
        });
    }

    static void FailuresComeBackAsStatusCodes()
    {
        OnCard(card =>
        {
            short status = 0;
            Dio.DioStep(card, 0, ref status);
            Equal(Dio.ErrStepSize, status, "step 0");
            status = 0;
            Dio.DioWriteSPI(card, 6, new byte[] { 1 }, 1, ref status);
            Equal(Dio.ErrInvalidSpiDevice, status, "device 6");
            Sim.ch367sim_inject_gate_fault(1, 1);
            status = 0;
            Dio.DioReadSPI(card, 3, new byte[2], 2, ref status);
            Equal(Dio.ErrReadSpi, status, "gate fault");
            Equal((byte)1, Dio.DioArm(card), "next transaction");
        });
    }

    static void RawSpiReceives()
    {
        OnCard(card =>
        {
            short status = 0;
            Dio.DioWriteSPI(card, 0, new byte[] { (byte)',' }, 1, ref status);
            var input = new byte[4];
            Dio.DioStreamSPI(card, 0, null, input, 4, ref status);
            Equal("2C | 00-00-00-00", Hex(Sim.Sent()), "sent");
            Equal("20-00-00-00", BitConverter.ToString(input), "number of data lines received");
            Equal((short)0, status, "status untouched");
        });
    }

    static void TextReachesTheDisplay()
    {
        OnCard(card =>
        {
            short status = -1;
            Dio.DioSetupOLED(card, ref status);
            Equal((short)0, status, "set-up status");
            Dio.DioWriteOLEDStrBuff(card, (int)BlendMode.Replace, 0, 0, "Hi");
            Dio.DioSendOLEDBuff(card);
            Check(Sim.DisplayMemory().Any(b => b != 0), "text on the panel");
            Dio.DioClearOLEDBuff(card);
            Dio.DioWriteOLEDPixelBuff(card, (int)BlendMode.Replace, 3, 0, 9);
            Dio.DioWriteOLEDPixelBuff(card, (int)BlendMode.Max, 3, 0, 4);  // keeps the brighter 9
            Dio.DioSendOLEDBuff(card);
            Equal((byte)0x09, Sim.DisplayMemory()[1], "blended pixel");
        });
    }

    static void MissingBitmapReportsInvalidBmp()
    {
        short status = 0;
        var bitmap = Dio.DioOpenBMP(IntPtr.Zero, "no such file.bmp", ref status);
        Equal(IntPtr.Zero, bitmap, "missing bitmap");
        Equal(Dio.ErrInvalidBmp, status, "bitmap status");
    }

    static int Main(string[] args)
    {
        includeDirectory = args.Length > 0 ? args[0] : "include";
        var tests = new Dictionary<string, Action>
        {
            ["DeclaresEveryExportAsTheHeaderDoes"] = DeclaresEveryExportAsTheHeaderDoes,
            ["OpenAndCloseReachTheBridge"] = OpenAndCloseReachTheBridge,
            ["RunControlSendsItsOpcodes"] = RunControlSendsItsOpcodes,
            ["MemoryRoundTripsAsWordsAndBytes"] = MemoryRoundTripsAsWordsAndBytes,
            ["RegisterReadsFillTheValue"] = RegisterReadsFillTheValue,
            ["FailuresComeBackAsStatusCodes"] = FailuresComeBackAsStatusCodes,
            ["RawSpiReceives"] = RawSpiReceives,
            ["TextReachesTheDisplay"] = TextReachesTheDisplay,
            ["MissingBitmapReportsInvalidBmp"] = MissingBitmapReportsInvalidBmp,
        };
        int passed = 0, failed = 0;
        foreach (var test in tests)
        {
            try
            {
                test.Value();
                ++passed;
                Console.WriteLine("PASS " + test.Key);
            }
            catch (Exception e)
            {
                ++failed;
                Console.WriteLine($"FAIL {test.Key}: {e.Message}");
            }
        }
        Console.WriteLine($"{passed} passed, {failed} failed");
        return failed == 0 ? 0 : 1;
    }
}
