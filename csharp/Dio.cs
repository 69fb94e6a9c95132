// P/Invoke declarations of every QuorvelWCHDLL export, for C# host programs.
//
// The same declarations serve the Windows DLL (QuorvelWCHDLL.dll) and, under Mono, the Linux
// build (libQuorvelWCHDLL.so, found on LD_LIBRARY_PATH or through a dllmap). Conventions:
// the master handle and bitmap handles are IntPtr; status codes are `ref short` (set the
// variable to 0 first where an export leaves it untouched on success); success flags are
// `byte` (1 = the last SPI transaction completed); byte buffers are byte[], memory words
// uint[] (or byte[]); blend modes are int (see BlendMode).
using System;
using System.Runtime.InteropServices;

namespace Quorvel
{
    public enum BlendMode
    {
        Replace = 0,
        Or = 1,
        Max = 2,
        Xor = 3,
        NonzeroReplace = 4,
    }

    public static class Dio
    {
        public const string Library = "QuorvelWCHDLL";

        public const short OK = 0;
        public const short ErrAllocateHandle = -1;
        public const short ErrInvalidCh367Handle = -2;
        public const short ErrIoBaseAddress = -3;
        public const short ErrStepSize = -4;
        public const short ErrWriteTooLarge = -5;
        public const short ErrWriteZeroWords = -6;
        public const short ErrReadZeroWords = -7;
        public const short ErrReadSpi = -8;
        public const short ErrStreamSpi = -9;
        public const short ErrWriteSpi = -10;
        public const short ErrInvalidSpiDevice = -11;
        public const short ErrInvalidBmp = -12;

        /// <summary>The library's message for a status code (DioGetErrorStr).</summary>
        public static string ErrorString(short status)
        {
            return Marshal.PtrToStringAnsi(DioGetErrorStr(IntPtr.Zero, status));
        }

        /// <summary>DioWriteOLED2DUnpackedArrImm with 256 columns of at least 64 levels each,
        /// pinned for the duration of the call.</summary>
        public static void WriteOLED2DUnpackedArrImm(IntPtr handle, byte[][] columns)
        {
            if (columns == null || columns.Length != 256) throw new ArgumentException("256 columns needed");
            var pins = new GCHandle[columns.Length];
            var pointers = new IntPtr[columns.Length];
            try
            {
                for (int x = 0; x < columns.Length; ++x)
                {
                    if (columns[x] == null || columns[x].Length < 64) throw new ArgumentException("column " + x + " needs 64 levels");
                    pins[x] = GCHandle.Alloc(columns[x], GCHandleType.Pinned);
                    pointers[x] = pins[x].AddrOfPinnedObject();
                }
                DioWriteOLED2DUnpackedArrImm(handle, pointers);
            }
            finally
            {
                foreach (var pin in pins) if (pin.IsAllocated) pin.Free();
            }
        }

        // ---- Open, close, messages ---------------------------------------------------------
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioInitialize(IntPtr reserved, out IntPtr handle, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioClose(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr DioGetErrorStr(IntPtr reserved, short status);

        // ---- Raw SPI and address registers -------------------------------------------------
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioStreamSPI(IntPtr handle, byte device, byte[] output, [Out] byte[] input, ulong count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteSPI(IntPtr handle, byte device, byte[] output, ulong count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioReadSPI(IntPtr handle, byte device, [Out] byte[] input, ulong count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int DioSetADRSR_Low(IntPtr handle, byte value);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern int DioSetADRSR_High(IntPtr handle, byte value);

        // ---- Pattern generator: run control ------------------------------------------------
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioArm(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioHalt(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioReset(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioPause(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioTrig(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioResetDDS(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioClearCtrlMemory(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioClearOutMemory(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioStep(IntPtr handle, int step, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioSetupTriggerMode(IntPtr handle, byte mode1, byte mode2);

        // ---- Pattern generator: memory and register transfers --------------------------------
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioReadCtrlMemory(IntPtr handle, [Out] uint[] words, uint start, uint count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioReadCtrlMemory(IntPtr handle, [Out] byte[] bytes, uint start, uint count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioReadOutMemory(IntPtr handle, [Out] uint[] words, uint start, uint count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioReadOutMemory(IntPtr handle, [Out] byte[] bytes, uint start, uint count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteCtrlMemory(IntPtr handle, uint[] words, uint start, uint count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteCtrlMemory(IntPtr handle, byte[] bytes, uint start, uint count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOutMemory(IntPtr handle, uint[] words, uint start, uint count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOutMemory(IntPtr handle, byte[] bytes, uint start, uint count, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioReadProgramCounter(IntPtr handle, out uint value, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioReadCurrentIO(IntPtr handle, out uint value, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioReadMaxDataLines(IntPtr handle, out uint value, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioReadStatusRegister(IntPtr handle, out ushort value, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioWriteProgramCounter(IntPtr handle, uint value);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioWriteCurrentIO(IntPtr handle, uint value);

        // ---- Display: set-up, row fill, immediate drawing ---------------------------------------
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern byte DioSetupOLED(IntPtr handle, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDRowValImm(IntPtr handle, byte row, byte value);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DIOClearOLEDImm(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDPixelPairImm(IntPtr handle, byte column, byte row, byte pair);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDPixelImm(IntPtr handle, byte x, byte row, byte level);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDArrImm(IntPtr handle, byte x, byte row, byte[] data, ulong length);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDRowArrImm(IntPtr handle, byte row, byte[] data);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDScreenArrImm(IntPtr handle, byte[] data);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDAreaArrImm(IntPtr handle, byte x, byte row, byte width, byte height, byte[] data);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLED2DUnpackedArrImm(IntPtr handle, IntPtr[] columns);

        // ---- Display: frame buffer ---------------------------------------------------------------
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDPixelPairBuff(IntPtr handle, int mode, byte column, byte row, byte pair);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDPixelBuff(IntPtr handle, int mode, byte x, byte row, byte level);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDArrBuff(IntPtr handle, int mode, byte x, byte row, byte[] data, ulong length);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDRowArrBuff(IntPtr handle, int mode, byte row, byte[] data);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDScreenArrBuff(IntPtr handle, int mode, byte[] data);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDAreaArrBuff(IntPtr handle, int mode, byte x, byte row, byte width, byte height, byte[] data);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioSendOLEDBuff(IntPtr handle);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioClearOLEDBuff(IntPtr handle);

        // ---- Display: lines, text, bitmaps ----------------------------------------------------
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDLineImm(IntPtr handle, byte x0, byte y0, byte x1, byte y1, byte level0, byte level1);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDLineBuff(IntPtr handle, int mode, byte x0, byte y0, byte x1, byte y1, byte level0, byte level1);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDCharImm(IntPtr handle, byte x, byte y, sbyte code);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDCharBuff(IntPtr handle, int mode, byte x, byte y, sbyte code);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDStrImm(IntPtr handle, byte x, byte y, [MarshalAs(UnmanagedType.LPStr)] string text);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDStrBuff(IntPtr handle, int mode, byte x, byte y, [MarshalAs(UnmanagedType.LPStr)] string text);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern IntPtr DioOpenBMP(IntPtr reserved, [MarshalAs(UnmanagedType.LPStr)] string path, ref short status);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioCloseBMP(IntPtr reserved, ref IntPtr bitmap);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDAreaBMPImm(IntPtr handle, byte x, byte y, IntPtr bitmap);
        [DllImport(Library, CallingConvention = CallingConvention.Cdecl)] public static extern void DioWriteOLEDAreaBMPBuff(IntPtr handle, int mode, byte x, byte y, IntPtr bitmap);
    }
}
