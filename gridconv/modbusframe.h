#ifndef CP_MODBUSFRAME_H
#define CP_MODBUSFRAME_H

namespace cp {

// One Modbus RTU frame: builds a request from its fields, finds and checks the reply, decodes
// values from it by data type and encodes values into the body of a write. The body of a write
// is collected in the data area, which starts at byte 2000 of the buffer.
class ModbusFrame {
public:
    static const int DATA_AREA = 2000;
    static const int DATA_AREA_SIZE = 256;

    explicit ModbusFrame(bool request);
    virtual ~ModbusFrame() {}

    virtual void setCrc(int order) { m_crcOrder = order; }
    virtual void setNode(int node) { m_node = node; }
    virtual int getNode() { return m_node; }
    virtual void setFun(int code, bool request)
    {
        m_fun = code;
        m_request = request;
    }
    virtual int getFun() { return m_fun; }
    virtual void setId(int id) { m_id = id; }
    virtual int getId() { return m_id; }
    virtual void setNr(int count) { m_count = count; }
    virtual int getNr() { return m_count; }
    virtual void setError(int error)
    {
        m_error = error;
        m_fun |= 0x80;
    }
    virtual int getError() { return m_error; }
    virtual void setBytes(int bytes) { m_bytes = bytes; }
    virtual int getBytes() { return m_bytes; }
    virtual void setValue(int value) { m_value = value; }
    virtual int getValue() { return m_value; }
    virtual void setData(int count) { m_count = count; }
    virtual int clearBuffer();
    // Builds the frame; null when the data area overflowed or the code has no defined body.
    virtual unsigned char* getBuffer();
    virtual int getLength() { return m_length; }
    // 0 accepted; -1 bad arguments; -3 no valid reply to this request in the bytes.
    virtual int parse(const unsigned char* data, int len);
    virtual float getInfoData(int offset, int type, int bit);
    virtual int getInfoData(int offset, char* out, int n);
    // 0 appended; -1 refused (no room, a value that is not finite or does not fit the type).
    virtual int addInfoData(float value, int type);
    virtual int addInfoData(unsigned char* data, int n);

    // Decoding traces, on with the link's trace switch.
    void setTrace(bool on) { m_trace = on; }

    // The frame as last built or accepted, without rebuilding it.
    const unsigned char* rawBuffer() const { return m_buffer; }

    // Bytes the value of a data type takes in a frame; 0 for an unknown type.
    static int typeSize(int type);

private:
    unsigned char* buildRequest();
    unsigned char* buildResponse();
    int parseReply(const unsigned char* data, int len);
    int parseRequest(const unsigned char* data, int len);
    int appendCrc(int at);

    unsigned char m_buffer[4096];
    int m_length;
    int m_cursor;
    bool m_request;
    int m_crcOrder;
    int m_node;
    int m_fun;
    int m_id;
    int m_count;
    int m_bytes;
    int m_value;
    int m_error;
    bool m_trace;
};

}

#endif
