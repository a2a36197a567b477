// Prints every Zentavo.dll import the C# binding declares, one a line:
// "name convention result argument,argument..." in the words check-signatures
// compares with the header's (record, int32, window).
using System;
using System.Linq;
using System.Reflection;
using System.Runtime.InteropServices;

static class Signatures
{
    static string Kind(Type t)
    {
        if (t == typeof(Zentavo.CAMERA_INFO).MakeByRefType()) return "record";
        if (t == typeof(int)) return "int32";
        if (t == typeof(IntPtr)) return "window";
        return t.FullName;
    }

    static int Main()
    {
        const BindingFlags all = BindingFlags.Public | BindingFlags.NonPublic | BindingFlags.Static;
        foreach (MethodInfo m in typeof(Zentavo.Native).GetMethods(all))
        {
            var import = (DllImportAttribute)m.GetCustomAttributes(typeof(DllImportAttribute), false).FirstOrDefault();
            if (import == null || import.Value != "Zentavo.dll") continue;
            string name = string.IsNullOrEmpty(import.EntryPoint) ? m.Name : import.EntryPoint;
            string convention = import.CallingConvention == CallingConvention.Cdecl ? "cdecl"
                              : import.CallingConvention.ToString().ToLowerInvariant();
            string args = string.Join(",", m.GetParameters().Select(p => Kind(p.ParameterType)).ToArray());
            Console.WriteLine("{0} {1} {2} {3}", name, convention, Kind(m.ReturnType), args);
        }
        return 0;
    }
}
