// Loads a pattern into the output memory, reads it back and arms the pattern generator.
// Exits with 0 when the pattern read back equals the one written.
using System;
using System.Linq;
using System.Runtime.InteropServices;

static class Dio
{
    const string Library = "QuorvelWCHDLL";

    [DllImport(Library)] public static extern void DioInitialize(IntPtr reserved, out IntPtr card, out short status);
    [DllImport(Library)] public static extern void DioClose(IntPtr card);
    [DllImport(Library)] public static extern IntPtr DioGetErrorStr(IntPtr reserved, short status);
    // Memory writes leave the status untouched on success: pass it by ref, set to 0 beforehand.
    [DllImport(Library)] public static extern void DioWriteOutMemory(IntPtr card, uint[] words, uint start, uint count, ref short status);
    [DllImport(Library)] public static extern void DioReadOutMemory(IntPtr card, [Out] uint[] words, uint start, uint count, ref short status);
    [DllImport(Library)] public static extern byte DioArm(IntPtr card);

    public static string Message(short status) => Marshal.PtrToStringAnsi(DioGetErrorStr(IntPtr.Zero, status));
}

static class LoadPattern
{
    static int Main()
    {
        Dio.DioInitialize(IntPtr.Zero, out IntPtr card, out short status);
        Console.WriteLine($"open: {Dio.Message(status)}");
        if (status != 0)
        {
            Dio.DioClose(card);
            return 1;
        }

        uint[] pattern = Enumerable.Range(0, 8).Select(i => 1u << i).ToArray();
        status = 0;
        Dio.DioWriteOutMemory(card, pattern, 0, (uint)pattern.Length, ref status);
        var back = new uint[pattern.Length];
        Dio.DioReadOutMemory(card, back, 0, (uint)back.Length, ref status);
        Console.WriteLine($"read back {status} bytes: {string.Join(" ", back.Select(w => $"0x{w:X}"))}");
        byte armed = Dio.DioArm(card);
        Console.WriteLine($"armed: {armed}");
        Dio.DioClose(card);
        return back.SequenceEqual(pattern) && armed == 1 ? 0 : 1;
    }
}
