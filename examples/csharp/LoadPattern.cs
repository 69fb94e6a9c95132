// Loads a pattern into the output memory, reads it back and arms the pattern generator, with the
// Quorvel.Dio declarations (csharp/Dio.cs). Exits with 0 when the pattern read back equals the
// one written.
using System;
using System.Linq;
using Quorvel;

static class LoadPattern
{
    static int Main()
    {
        short status = 0;
        Dio.DioInitialize(IntPtr.Zero, out IntPtr card, ref status);
        Console.WriteLine($"open: {Dio.ErrorString(status)}");
        if (status != 0)
        {
            Dio.DioClose(card);
            return 1;
        }

        uint[] pattern = Enumerable.Range(0, 8).Select(i => 1u << i).ToArray();
        status = 0;  // memory writes leave the status untouched on success
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
